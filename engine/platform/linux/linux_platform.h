// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <sched.h>
#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/linux/machine_watch.h"
#include "engine/platform/linux/unique_fd.h"
#include "engine/platform/process_platform.h"

namespace mervale {

// The CPUs of a kernel CPU set of `setSize` bytes, as CPU_ALLOC_SIZE gives it.
AffinityMask CpuSetMask(const cpu_set_t* cpus, std::size_t setSize);

// Processes through /proc and the scheduler's affinity calls.
//
// Kernel threads are listed in /proc too but count as processes that cannot be opened: pinning
// them is never ours to do. Telling them apart costs a readlink of /proc/PID/exe, so what that look
// found (the verdict, and the executable's path and file) is kept per PID and forgotten once a
// listing no longer shows the PID, or shows it as another process. Reading the mask of a process
// looked at before therefore opens no file.
//
// Without CAP_SYS_NICE the scheduler refuses to move a process that belongs to another user, so
// such a process counts as one that cannot be opened as well: listing it, or letting it take a CPU
// of the round, would only order our own processes by other people's. Whose a process is, is part
// of the same kept verdict.
//
// Which process a PID names: a listing shows each process's /proc entry with the inode the kernel
// made for it, and a later process under the same PID gets an entry of its own. So the start time
// (read once per process, from /proc/PID/stat) is read again only where that inode changed, or
// where a caller doubts the process.
class LinuxProcessPlatform : public ProcessPlatform {
 public:
  // Reads whether we may move any user's process (CAP_SYS_NICE) once. The CPUs we may use are
  // looked at again at every OnlineCpus; a mask naming any other CPU is refused.
  LinuxProcessPlatform();
  ~LinuxProcessPlatform() override;
  LinuxProcessPlatform(const LinuxProcessPlatform&) = delete;
  LinuxProcessPlatform& operator=(const LinuxProcessPlatform&) = delete;

  // Ascending, as /proc lists them; 0 or the errno that stopped the listing.
  ErrorCode ListPids(std::vector<Pid>& pids) override;
  // The basename of the executable, else the kernel's short name ("comm"), else "". Only a look
  // taken since the latest listing is trusted for it, since exec renames a process.
  std::string ProcessName(Pid pid) override;
  // In clock ticks since the machine booted, from /proc/PID/stat.
  std::uint64_t StartTime(Pid pid) override;
  std::uint64_t StartTimeNow() override;
  // Follows a CPU going offline or coming back, and a change of our cgroup's CPUs.
  AffinityMask OnlineCpus() override;
  // As the latest OnlineCpus found it.
  CpuTopology Topology() override { return machine_.Topology(); }
  // The mask of the main thread, as CpuSetMask gives it.
  AffinityMask GetMask(Pid pid) override;
  // Moves every thread of the process: 0 when the main thread moved and the others could be
  // looked up (a process gone meanwhile has none left); the main thread is moved first.
  ErrorCode SetMask(Pid pid, AffinityMask mask) override;
  Pid CurrentPid() override;
  // A program doubt is settled without a look where the process has used no CPU time since the
  // latest one.
  bool LookAgain(Pid pid, Doubt doubt) override;
  // The executable's device and inode; the size of the code (from /proc/PID/status) where the
  // executable cannot be looked at: another user's process, or one that forbids it (non-dumpable).
  ProgramIdentity Program(Pid pid) override;
  // From /proc/PID/stat.
  std::optional<Pid> ParentPid(Pid pid) override;

 private:
  struct KnownPid {
    Pid pid = 0;
    ino_t listedInode = 0;       // of /proc/PID in the latest listing; 0 before one showed it
    bool unopenable = false;     // a kernel thread, a zombie, or another user's and not ours to set
    bool runsNoProgram = false;  // a kernel thread or a zombie: it never runs another
    std::uint64_t lookedAt = 0;  // listings_ when the process was last looked at
    std::optional<std::uint64_t> cpuTime;  // what it had run by that look
    std::string executable;   // the path that look found; empty where it could not be read
    ProgramIdentity program;  // the file that look found; the code size once read
    std::optional<std::string> shortName;  // the kernel's, for a process without an executable
    bool statRead = false;                 // the parent (and the code size) are of that look
    Pid parent = 0;
    std::optional<std::uint64_t> startTime;  // once read, the same while the record is kept
  };

  // Looks at the process afresh and records what it found; nullptr, and the PID forgotten, when
  // it is gone.
  KnownPid* LookAt(Pid pid);
  // The record of a look taken since the latest listing, after taking one if needed; nullptr
  // when the process is gone.
  KnownPid* LookedAtSinceListing(Pid pid);
  KnownPid* Find(Pid pid);
  // Reads start time, parent and, where the kernel shows it to us, the code's range.
  void ReadStat(KnownPid& known) const;
  // Keeps the records of the processes the latest listing shows as they were.
  void ForgetPidsMissingFrom();
  // The inode of the PID's entry in the latest listing; 0 where it showed none.
  ino_t ListedInode(Pid pid) const;

  // A kernel CPU set big enough for the kernel's own: it starts at the size of the online CPUs
  // and grows when the kernel refuses it as too small.
  struct KernelCpuSet {
    explicit KernelCpuSet(std::size_t cpus);
    ~KernelCpuSet();
    KernelCpuSet(const KernelCpuSet&) = delete;
    KernelCpuSet& operator=(const KernelCpuSet&) = delete;
    void Resize(std::size_t cpus);
    std::size_t cpuCount = 0;
    std::size_t bytes = 0;
    cpu_set_t* cpus = nullptr;
  };

  // Whether we may set this process: ours, or anyone's with CAP_SYS_NICE. Where the owner is read,
  // so is the size of the code.
  bool MaySet(KnownPid& known) const;

  MachineWatch machine_;
  bool maySetAnyUsers_;
  uid_t effectiveUid_;
  KernelCpuSet kernelSet_;
  UniqueFd procDir_;  // /proc, held open
  std::uint64_t listings_ = 0;
  std::vector<KnownPid> known_;  // sorted by PID
  static constexpr std::size_t kDirentBufferSize = 32 * 1024;
  std::vector<char> direntBuffer_;   // for listing /proc and task directories
  std::vector<Pid> threads_;         // the task listing of the latest SetMask of several threads
  std::vector<Pid> listedPids_;      // the latest listing, ascending
  std::vector<ino_t> listedInodes_;  // of its entries, in its order
  long ticksPerSecond_;              // of start times
  std::uint64_t pageSize_;
};

}  // namespace mervale
