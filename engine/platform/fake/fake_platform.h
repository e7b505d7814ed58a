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

// An in-memory machine for tests: a scripted process list, scripted refusals and failures, and a
// count of every call the engine makes, so that tests can check both results and cost.
class FakeProcessPlatform : public ProcessPlatform {
 public:
  // The codes the fake reports, chosen as the Windows backend would see them.
  static constexpr ErrorCode kAccessDenied = 5;
  static constexpr ErrorCode kInvalidParameter = 87;

  struct SetAttempt {
    Pid pid;
    AffinityMask mask;
    bool succeeded;
    bool operator==(const SetAttempt&) const = default;
  };

  struct Calls {
    int snapshotsCreated = 0;  // ListPids calls, failed ones included
    int namesRead = 0;
    int gets = 0;
    int sets = 0;
    std::vector<SetAttempt> setLog;  // in call order, refused ones included
  };

  explicit FakeProcessPlatform(int cpuCount = 2, Pid ownPid = 4000);

  // --- Scripting the machine -------------------------------------------------------------------
  // Appends a process at the end of the listing order; it starts later than every process before
  // and runs the program file of its name.
  void AddProcess(Pid pid, std::string name, AffinityMask mask);
  void RemoveProcess(Pid pid);
  // The process runs another program (exec): the same PID, the program file of the new name.
  void RunProgram(Pid pid, std::string name);
  // The process goes by another name but runs the same program: its file was renamed, or it
  // renamed itself.
  void Rename(Pid pid, std::string name);
  // Its executable file can no longer be looked at (it forbids it, or became another user's): only
  // the size of its code tells its program.
  void HideExecutable(Pid pid);
  // Another program changed the mask.
  void SetMaskFromOutside(Pid pid, AffinityMask mask);
  void SetParent(Pid pid, Pid parent) { parents_[pid] = parent; }
  void SetCpuCount(int cpuCount) { cpuCount_ = cpuCount; }
  // Until set, the layout is one thread per core on every CPU.
  void SetTopology(CpuTopology topology) { topology_ = std::move(topology); }

  // The process exists but its mask cannot be read.
  void RefuseRead(Pid pid);
  // The process exists but every mask is refused.
  void RefuseSet(Pid pid);
  // Every ListPids fails with the code; nullopt lists again.
  void FailSnapshots(std::optional<ErrorCode> code) { listFailure_ = code; }
  // Whether StartTime tells when a process started, as Windows does, or answers 0.
  void TellStartTimes(bool tell) { tellStartTimes_ = tell; }

  // --- Inspecting it ----------------------------------------------------------------------------
  // Empty for a process that does not exist.
  AffinityMask MaskOf(Pid pid) const;
  std::vector<Pid> Pids() const;
  const Calls& calls() const { return calls_; }
  void ResetCalls() { calls_ = {}; }

  // --- ProcessPlatform --------------------------------------------------------------------------
  ErrorCode ListPids(std::vector<Pid>& pids) override;
  std::string ProcessName(Pid pid) override;
  std::uint64_t StartTime(Pid pid) override;
  // A clock that ticks at every question: a process added later started after the answer.
  std::uint64_t StartTimeNow() override { return tellStartTimes_ ? ++lastStartTime_ : 0; }
  // The layout's CPUs once one is set, so a test takes CPUs offline by setting another.
  AffinityMask OnlineCpus() override {
    return topology_ ? AffinityMask::FromNumbers(topology_->online)
                     : AffinityMask::FirstCpus(std::size_t(cpuCount_));
  }
  CpuTopology Topology() override {
    return topology_.value_or(PlainTopology(static_cast<unsigned>(cpuCount_)));
  }
  AffinityMask GetMask(Pid pid) override;
  ErrorCode SetMask(Pid pid, AffinityMask mask) override;
  Pid CurrentPid() override { return ownPid_; }
  bool LookAgain(Pid pid, Doubt /*doubt*/) override { return Find(pid) != nullptr; }
  ProgramIdentity Program(Pid pid) override;
  std::optional<Pid> ParentPid(Pid pid) override;

 private:
  struct Process {
    Pid pid;
    std::string name;
    AffinityMask mask;
    std::uint64_t startTime;
    ProgramIdentity program;
    bool executableHidden = false;
  };

  // The program file of that name, the same for every process that runs it.
  ProgramIdentity FileNamed(const std::string& name);

  Process* Find(Pid pid);
  const Process* Find(Pid pid) const;
  Process& Existing(Pid pid);

  std::vector<Process> machine_;  // in listing order
  // Lookups by PID stay constant-time, so benchmarks over 100,000 processes measure the engine.
  std::unordered_map<Pid, std::size_t> positions_;
  int cpuCount_;
  Pid ownPid_;
  std::set<Pid> refusedReads_;
  std::set<Pid> refusedSets_;
  std::optional<ErrorCode> listFailure_;
  std::optional<CpuTopology> topology_;
  bool tellStartTimes_ = true;
  std::uint64_t lastStartTime_ = 0;
  std::unordered_map<Pid, Pid> parents_;
  std::unordered_map<std::string, ProgramIdentity> files_;
  Calls calls_;
};

}  // namespace mervale
