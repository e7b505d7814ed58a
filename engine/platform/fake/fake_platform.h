#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
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
  static constexpr ErrorCode kInvalidHandle = 6;
  static constexpr ErrorCode kNoMoreFiles = 18;
  static constexpr ErrorCode kInvalidParameter = 87;

  struct SetAttempt {
    Pid pid;
    AffinityMask mask;
    bool succeeded;
    bool operator==(const SetAttempt&) const = default;
  };

  struct Calls {
    int snapshotsCreated = 0;  // every attempt, failed ones included
    int entriesWalked = 0;     // FirstEntry and NextEntry calls
    int namesRead = 0;
    int queryOpens = 0;
    int setOpens = 0;
    int gets = 0;
    int sets = 0;
    int snapshotsClosed = 0;
    int processesClosed = 0;
    std::vector<SetAttempt> setLog;  // in call order, refused ones included
  };

  explicit FakeProcessPlatform(int cpuCount = 2, Pid ownPid = 4000);

  // --- Scripting the machine -------------------------------------------------------------------
  // Appends a process at the end of the snapshot order with one thread per threadCount.
  void AddProcess(Pid pid, std::string name, AffinityMask mask, int threadCount = 1);
  void RemoveProcess(Pid pid);
  void RenameProcess(Pid pid, std::string name);
  // Another program changed the mask: every thread follows.
  void SetMaskFromOutside(Pid pid, AffinityMask mask);
  // One thread changed its own mask; the process mask stays.
  void SetThreadMaskFromOutside(Pid pid, std::size_t thread, AffinityMask mask);
  void SetCpuCount(int cpuCount) { cpuCount_ = cpuCount; }
  void SetOwnPid(Pid pid) { ownPid_ = pid; }

  // The process exists but cannot be opened with that access.
  void RefuseOpen(Pid pid, ProcessAccess access);
  // The process can be opened for setting, but every mask is refused.
  void RefuseSet(Pid pid);
  void FailSnapshots(std::optional<ErrorCode> code) { snapshotFailure_ = code; }
  void FailFirstEntry(std::optional<ErrorCode> code) { firstEntryFailure_ = code; }

  // --- Inspecting it ----------------------------------------------------------------------------
  bool HasProcess(Pid pid) const;
  // 0 for a process that does not exist.
  AffinityMask MaskOf(Pid pid) const;
  std::vector<AffinityMask> ThreadMasksOf(Pid pid) const;
  std::vector<Pid> Pids() const;
  const Calls& calls() const { return calls_; }
  void ResetCalls() { calls_ = {}; }
  std::size_t OpenSnapshotCount() const { return openSnapshots_.size(); }
  std::size_t OpenProcessCount() const { return openProcesses_.size(); }

  // --- ProcessPlatform --------------------------------------------------------------------------
  SnapshotHandle CreateSnapshot() override;
  bool FirstEntry(SnapshotHandle snapshot, Pid& pid) override;
  bool NextEntry(SnapshotHandle snapshot, Pid& pid) override;
  std::string EntryName(SnapshotHandle snapshot) override;
  void CloseSnapshot(SnapshotHandle snapshot) override;
  ProcessHandle OpenProcess(ProcessAccess access, Pid pid) override;
  bool GetAffinityMask(ProcessHandle process, AffinityMask& processMask) override;
  bool SetAffinityMask(ProcessHandle process, AffinityMask mask) override;
  void CloseProcess(ProcessHandle process) override;
  ErrorCode LastError() override { return lastError_; }
  void SetLastError(ErrorCode code) override { lastError_ = code; }
  Pid CurrentPid() override { return ownPid_; }

 private:
  struct Process {
    Pid pid;
    std::string name;
    AffinityMask mask;
    std::vector<AffinityMask> threadMasks;
  };
  struct Entry {
    Pid pid;
    std::string name;
  };
  struct Snapshot {
    std::vector<Entry> entries;  // frozen at creation
    std::optional<std::size_t> position;
  };
  struct OpenedProcess {
    Pid pid;
    ProcessAccess access;
  };

  Process* Find(Pid pid);
  const Process* Find(Pid pid) const;
  Process& Existing(Pid pid);
  bool Fail(ErrorCode code);
  bool Step(SnapshotHandle snapshot, bool first, Pid& pid);

  std::vector<Process> machine_;  // in snapshot order
  // Lookups by PID stay constant-time, so benchmarks over 100,000 processes measure the engine.
  std::unordered_map<Pid, std::size_t> positions_;
  int cpuCount_;
  Pid ownPid_;
  std::set<std::pair<Pid, ProcessAccess>> refusedOpens_;
  std::set<Pid> refusedSets_;
  std::optional<ErrorCode> snapshotFailure_;
  std::optional<ErrorCode> firstEntryFailure_;
  ErrorCode lastError_ = 0;
  std::uintptr_t nextHandle_ = 1;
  std::map<SnapshotHandle, Snapshot> openSnapshots_;
  std::map<ProcessHandle, OpenedProcess> openProcesses_;
  Calls calls_;
};

}  // namespace mervale
