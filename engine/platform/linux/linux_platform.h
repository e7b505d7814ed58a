#pragma once

#include <sched.h>
#include <sys/types.h>

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
// Kernel threads are listed in /proc too but count as processes that cannot be opened: pinning
// them is never ours to do. Telling them apart costs a readlink of /proc/PID/exe, so what that look
// found (the verdict, and the name readlink gave) is kept per PID and forgotten once a listing no
// longer shows the PID. Reading the mask of a process looked at before therefore opens no file.
//
// Without CAP_SYS_NICE the scheduler refuses to move a process that belongs to another user, so
// such a process counts as one that cannot be opened as well: listing it, or letting it take a CPU
// of the round, would only order our own processes by other people's. Whose a process is, is part
// of the same kept verdict.
class LinuxProcessPlatform : public ProcessPlatform {
 public:
  // Reads the online CPUs and whether we may move any user's process (CAP_SYS_NICE) once; a mask
  // naming any other CPU is refused.
  LinuxProcessPlatform();
  ~LinuxProcessPlatform() override;
  LinuxProcessPlatform(const LinuxProcessPlatform&) = delete;
  LinuxProcessPlatform& operator=(const LinuxProcessPlatform&) = delete;

  // Ascending, as /proc lists them; 0 or the errno that stopped the listing.
  ErrorCode ListPids(std::vector<Pid>& pids) override;
  // The basename of the executable, else the kernel's short name ("comm"), else "". Only a look
  // taken since the latest listing is trusted for it, since exec renames a process.
  std::string ProcessName(Pid pid) override;
  // The mask of the main thread, as CpuSetMask gives it.
  AffinityMask GetMask(Pid pid) override;
  // Moves every thread of the process; succeeds when the main thread moved.
  ErrorCode SetMask(Pid pid, AffinityMask mask) override;
  Pid CurrentPid() override;
  // Looks at the process afresh, so its name is the new program's.
  void ProgramStarted(Pid pid) override;

  AffinityMask OnlineCpus() const { return onlineCpus_; }

 private:
  struct KnownPid {
    Pid pid = 0;
    bool unopenable = false;     // a kernel thread, a zombie, or another user's and not ours to set
    std::uint64_t lookedAt = 0;  // listings_ when the process was last looked at
    std::optional<std::string> name;  // what that look found
  };

  // Looks at the process afresh and records what it found; nullptr, and the PID forgotten, when
  // it is gone.
  KnownPid* LookAt(Pid pid);
  // The record of a look taken since the latest listing, after taking one if needed; nullptr
  // when the process is gone.
  KnownPid* LookedAtSinceListing(Pid pid);
  KnownPid* Find(Pid pid);
  void ForgetPidsMissingFrom(const std::vector<Pid>& sortedPids);

  // Whether we may set this process: ours, or anyone's with CAP_SYS_NICE.
  bool MaySet(Pid pid) const;

  AffinityMask onlineCpus_;
  bool maySetAnyUsers_;
  uid_t effectiveUid_;
  int procDir_;  // /proc, held open
  std::uint64_t listings_ = 0;
  std::vector<KnownPid> known_;  // sorted by PID
  static constexpr std::size_t kDirentBufferSize = 32 * 1024;
  std::vector<char> direntBuffer_;  // for listing /proc and task directories
  std::vector<Pid> threads_;        // the task listing of the latest SetMask
};

}  // namespace mervale
