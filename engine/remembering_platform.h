// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// The platform as the engine sets masks through it: the first mask it gives a process also keeps
// the set the process had before, so that the set can be given back. One set per process, kept
// until it is given back or the process is forgotten; later sets keep the first one.
class RememberingPlatform : public ProcessPlatform {
 public:
  explicit RememberingPlatform(ProcessPlatform& platform) : platform_(platform) {}

  ErrorCode ListPids(std::vector<Pid>& pids) override { return platform_.ListPids(pids); }
  std::string ProcessName(Pid pid) override { return platform_.ProcessName(pid); }
  std::uint64_t StartTime(Pid pid) override { return platform_.StartTime(pid); }
  std::uint64_t StartTimeNow() override { return platform_.StartTimeNow(); }
  AffinityMask OnlineCpus() override { return platform_.OnlineCpus(); }
  CpuTopology Topology() override { return platform_.Topology(); }
  AffinityMask GetMask(Pid pid) override;
  ErrorCode SetMask(Pid pid, AffinityMask mask) override;
  Pid CurrentPid() override { return platform_.CurrentPid(); }
  bool LookAgain(Pid pid, Doubt doubt) override { return platform_.LookAgain(pid, doubt); }
  ProgramIdentity Program(Pid pid) override { return platform_.Program(pid); }
  std::optional<Pid> ParentPid(Pid pid) override { return platform_.ParentPid(pid); }

  // A process seen for the first time, with the mask it has now and its start time (0: not told).
  // A child inherits the set of the process that started it, so one born with a set we gave owes
  // it to us and is remembered with the set its starter had before: its parent's where we gave it
  // to the parent, else, since a parent that ended leaves its children to another, the process
  // given that set latest before the child started. Else the mask spares the read before its
  // first set, if that set comes before the next read.
  void NewProcess(Pid pid, const AffinityMask& mask, std::uint64_t startTime);
  bool Remembers(Pid pid) const { return remembered_.contains(pid); }
  std::size_t RememberedCount() const { return remembered_.size(); }
  // Gives the process its set back (every thread) and forgets it; refused ones stay remembered.
  void Restore(Pid pid);
  void RestoreAll();
  void Forget(Pid pid);
  // Forgets every process that `runs` says has ended.
  template <typename Runs>
  void ForgetEnded(const Runs& runs) {
    std::erase_if(remembered_, [this, &runs](const auto& entry) {
      if (runs(entry.first)) return false;
      given_.erase(GivenKey(entry));
      return true;
    });
  }

 private:
  struct Remembered {
    AffinityMask before;        // what the process had before our first set
    AffinityMask given;         // our latest set
    std::uint64_t givenAt = 0;  // when, as StartTimeNow tells
  };
  using Entry = std::pair<const Pid, Remembered>;
  // The remembered processes by the set last given them (its words folded into one, which two
  // sets may share) and when, so that a new process finds the one that may have passed our set on
  // to it without a look at every other.
  struct Given {
    std::uint64_t set;
    std::uint64_t at;
    Pid pid;
    auto operator<=>(const Given&) const = default;
  };
  static std::uint64_t Folded(const AffinityMask& set);
  static Given GivenKey(const Entry& entry) {
    return {Folded(entry.second.given), entry.second.givenAt, entry.first};
  }

  void Remember(Pid pid, Remembered remembered);
  // The process that gave a process started at `startTime` with `mask` its set, if any did.
  const Entry* Starter(Pid pid, const AffinityMask& mask, std::uint64_t startTime);

  ProcessPlatform& platform_;
  std::unordered_map<Pid, Remembered> remembered_;
  std::set<Given> given_;
  std::optional<std::pair<Pid, AffinityMask>> newest_;  // NewProcess until the next read
};

}  // namespace mervale
