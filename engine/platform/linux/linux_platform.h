#pragma once

#include <sched.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// The CPUs 0 to 31 of a kernel CPU list such as "0-3,8" ("/sys/devices/system/cpu/online") as a
// mask, CPU 0 being bit 0; nullopt when the text is not such a list.
std::optional<AffinityMask> CpuListMask(std::string_view cpuList);

// CPUs 0 to 31 as bits; a set with any CPU beyond them also gets bit 31, so that it never reads
// as one of the masks 1 to 15.
AffinityMask CpuSetMask(const cpu_set_t& cpus);

// Processes through /proc and the scheduler's affinity calls.
//
// A snapshot is the list of numeric names in /proc at the time it is taken. Kernel threads are
// listed there too but count as processes that cannot be opened: pinning them is never ours to do.
// Telling them apart costs a readlink of /proc/PID/exe, so the verdict is kept per PID, together
// with the name that readlink gave, and forgotten once a snapshot no longer lists the PID. Reading
// a mask of a process seen before therefore opens no file.
class LinuxProcessPlatform : public ProcessPlatform {
 public:
  // Reads the online CPUs once; a mask naming any other CPU is refused.
  LinuxProcessPlatform();
  ~LinuxProcessPlatform() override;
  LinuxProcessPlatform(const LinuxProcessPlatform&) = delete;
  LinuxProcessPlatform& operator=(const LinuxProcessPlatform&) = delete;

  SnapshotHandle CreateSnapshot() override;
  bool FirstEntry(SnapshotHandle snapshot, Pid& pid) override;
  bool NextEntry(SnapshotHandle snapshot, Pid& pid) override;
  // The basename of the executable, else the kernel's short name ("comm"), else "".
  std::string EntryName(SnapshotHandle snapshot) override;
  void CloseSnapshot(SnapshotHandle snapshot) override;

  ProcessHandle OpenProcess(ProcessAccess access, Pid pid) override;
  // The mask of the main thread, as CpuSetMask gives it.
  bool GetAffinityMask(ProcessHandle process, AffinityMask& processMask) override;
  // Moves every thread of the process; succeeds when the main thread moved.
  bool SetAffinityMask(ProcessHandle process, AffinityMask mask) override;
  void CloseProcess(ProcessHandle process) override;

  ErrorCode LastError() override { return lastError_; }
  void SetLastError(ErrorCode code) override { lastError_ = code; }
  Pid CurrentPid() override;

  AffinityMask OnlineCpus() const { return onlineCpus_; }

 private:
  struct Snapshot;
  enum class Kind { kUserProcess, kKernelThread, kGone };
  struct KnownPid {
    Pid pid = 0;
    bool kernelThread = false;
    std::optional<std::string> name;
    std::uint64_t nameTakenAt = 0;  // snapshotsTaken_ when the name was read
  };

  // Looks at the process afresh and records what it found; a PID that is gone is forgotten.
  Kind Classify(Pid pid);
  // The entry a walk has just reached (0 for none); it has not been looked at yet.
  void StandOn(Pid pid);
  KnownPid* Find(Pid pid);
  void ForgetPidsMissingFrom(const std::vector<Pid>& sortedPids);
  bool Fail(int error);

  AffinityMask onlineCpus_;
  int procDir_;  // /proc, held open
  ErrorCode lastError_ = 0;
  std::uint64_t snapshotsTaken_ = 0;
  std::vector<KnownPid> known_;  // sorted by PID
  // The entry the latest walk step reached, and whether Classify looked at it since.
  Pid entryPid_ = 0;
  bool entryLookedAt_ = false;
  static constexpr std::size_t kDirentBufferSize = 32 * 1024;
  std::vector<char> direntBuffer_;  // for listing /proc and task directories
};

}  // namespace mervale
