// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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
  AffinityMask OnlineCpus() override { return platform_.OnlineCpus(); }
  CpuTopology Topology() override { return platform_.Topology(); }
  AffinityMask GetMask(Pid pid) override;
  ErrorCode SetMask(Pid pid, AffinityMask mask) override;
  Pid CurrentPid() override { return platform_.CurrentPid(); }
  void ProgramStarted(Pid pid) override { platform_.ProgramStarted(pid); }
  bool RunsAnotherProgram(Pid pid) override { return platform_.RunsAnotherProgram(pid); }
  std::optional<Pid> ParentPid(Pid pid) override { return platform_.ParentPid(pid); }

  // A process seen for the first time, with the mask it has now. A child inherits its parent's
  // mask, so one born with the set we gave its parent owes that set to us and is remembered with
  // the set its parent had before. Else the mask spares the read before its first set, if that set
  // comes before the next read.
  void NewProcess(Pid pid, const AffinityMask& mask);
  bool Remembers(Pid pid) const { return remembered_.contains(pid); }
  std::size_t RememberedCount() const { return remembered_.size(); }
  // Gives the process its set back (every thread) and forgets it; refused ones stay remembered.
  void Restore(Pid pid);
  void RestoreAll();
  void Forget(Pid pid) { remembered_.erase(pid); }
  // Forgets every process that `runs` says has ended.
  template <typename Runs>
  void ForgetEnded(const Runs& runs) {
    std::erase_if(remembered_, [&runs](const auto& entry) { return !runs(entry.first); });
  }

 private:
  struct Remembered {
    AffinityMask before;  // what the process had before our first set
    AffinityMask given;   // our latest set
  };

  ProcessPlatform& platform_;
  std::unordered_map<Pid, Remembered> remembered_;
  std::optional<std::pair<Pid, AffinityMask>> newest_;  // NewProcess until the next read
};

}  // namespace mervale
