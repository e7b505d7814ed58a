// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/linux_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/capability.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <ctime>
#include <new>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/cpu_topology.h"
#include "engine/platform/linux/linux_capability.h"
#include "engine/platform/linux/unique_fd.h"
#include "store/integer_text.h"

namespace mervale {

namespace {

// "PID" or "PID/leaf": a process's entry, relative to /proc, built without allocating.
class ProcEntry {
 public:
  explicit ProcEntry(Pid pid, std::string_view leaf = {}) {
    char* end = std::to_chars(text_, text_ + 10, pid).ptr;
    if (!leaf.empty() && leaf.size() < sizeof text_ - 12) {
      *end++ = '/';
      end = std::copy(leaf.begin(), leaf.end(), end);
    }
    *end = '\0';
  }
  const char* c_str() const { return text_; }

 private:
  char text_[32];
};

// The numeric entries of a directory below /proc ("." for /proc itself), and where asked their
// inodes; 0, or the errno that stopped the listing. Read with getdents64 into the caller's buffer
// rather than through opendir, which would stat the directory and allocate a buffer of its own on
// every call: a pass lists one task directory per mask it sets.
int ListNumericEntries(int procDir, const char* directory, std::vector<char>& buffer,
                       std::vector<Pid>& ids, std::vector<ino_t>* inodes = nullptr) {
  const UniqueFd fd(openat(procDir, directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) return errno;
  int error = 0;
  for (;;) {
    const ssize_t length = getdents64(fd.Get(), buffer.data(), buffer.size());
    if (length < 0) error = errno;
    if (length <= 0) break;
    for (ssize_t offset = 0; offset < length;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + offset);
      if (const auto id = ParseDecimal(entry->d_name)) {
        ids.push_back(*id);
        if (inodes != nullptr) inodes->push_back(entry->d_ino);
      }
      offset += entry->d_reclen;
    }
    // /proc fills the buffer until the next entry does not fit, so room left for the largest
    // entry means the listing is complete; asking again would only return nothing.
    if (buffer.size() - std::size_t(length) >= sizeof(dirent64)) break;
  }
  return error;
}

std::string ExecutableName(std::string_view target) {
  // An executable replaced or removed since it started still names its old file.
  constexpr std::string_view kDeleted = " (deleted)";
  if (target.ends_with(kDeleted)) target.remove_suffix(kDeleted.size());
  const std::size_t slash = target.rfind('/');
  return std::string(slash == std::string_view::npos ? target : target.substr(slash + 1));
}

// Up to `size` bytes of a process's file below /proc; their count, or 0 when there are none.
std::size_t ReadProcFile(int procDir, Pid pid, std::string_view leaf, char* text,
                         std::size_t size) {
  const UniqueFd fd(openat(procDir, ProcEntry(pid, leaf).c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return 0;
  const ssize_t length = read(fd.Get(), text, size);
  return length > 0 ? std::size_t(length) : 0;
}

std::string ShortKernelName(int procDir, Pid pid) {
  char name[64];
  const std::size_t length = ReadProcFile(procDir, pid, "comm", name, sizeof name);
  if (length == 0) return {};
  return std::string(name, std::find(name, name + length, '\n'));
}

// How many threads the process has: /proc/PID/task counts each as a link besides "." and "..".
// 0 when the directory cannot be looked at.
nlink_t ThreadCount(int procDir, Pid pid) {
  struct stat status {};
  constexpr nlink_t kDirectoryLinks = 2;
  if (fstatat(procDir, ProcEntry(pid, "task").c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
      status.st_nlink < kDirectoryLinks) {
    return 0;
  }
  return status.st_nlink - kDirectoryLinks;
}

// A number after `key` in /proc/PID/status, where the blanks and tabs after the key end; nullptr
// when the key is missing.
const char* StatusValue(std::string_view status, std::string_view key) {
  const std::size_t found = status.find(key);
  if (found == std::string_view::npos) return nullptr;
  const std::size_t value = status.find_first_not_of(" \t", found + key.size());
  return value == std::string_view::npos ? nullptr : status.data() + value;
}

// What /proc/PID/status tells anyone: the real and effective uid ("Uid:\treal\teffective\t..."),
// with which the scheduler lets a user move a process when either is theirs, and the size of the
// code in KiB ("VmExe:"), 0 for a process without memory of its own.
struct ProcessStatus {
  uid_t real = 0;
  uid_t effective = 0;
  std::uint64_t codeKiB = 0;
};

std::optional<ProcessStatus> ReadProcessStatus(int procDir, Pid pid) {
  char text[2048];
  const std::size_t length = ReadProcFile(procDir, pid, "status", text, sizeof text - 1);
  if (length == 0) return {};
  const std::string_view status(text, length);
  const char* end = status.data() + status.size();
  const char* uids = StatusValue(status, "\nUid:");
  ProcessStatus facts;
  if (uids == nullptr) return {};
  const auto [afterReal, realError] = std::from_chars(uids, end, facts.real);
  if (realError != std::errc{} || afterReal == end || *afterReal != '\t') return {};
  if (std::from_chars(afterReal + 1, end, facts.effective).ec != std::errc{}) return {};
  if (const char* code = StatusValue(status, "\nVmExe:")) std::from_chars(code, end, facts.codeKiB);
  return facts;
}

// Fields 4 (parent), 22 (start time) and 26, 27 (where the code begins and ends, shown as 1 where
// we may not look at the process's memory) of /proc/PID/stat; nullopt when it cannot be read.
struct ProcessStat {
  Pid parent = 0;
  std::uint64_t startTime = 0;
  std::uint64_t codeKiB = 0;
};

std::optional<ProcessStat> ReadProcessStat(int procDir, Pid pid, std::uint64_t pageSize) {
  char text[1024];
  const std::size_t length = ReadProcFile(procDir, pid, "stat", text, sizeof text);
  // "PID (name) STATE PPID ...": the name may hold blanks and parentheses, its last ")" ends it.
  const std::string_view stat(text, length);
  const std::size_t nameEnd = stat.rfind(')');
  if (nameEnd == std::string_view::npos) return {};
  std::uint64_t fields[28] = {};
  const char* at = stat.data() + nameEnd + 2;
  const char* end = stat.data() + stat.size();
  // From field 3 (the state, one letter, read as nothing) on.
  for (int field = 3; field <= 27 && at < end; ++field) {
    const char* next = std::find(at, end, ' ');
    std::from_chars(at, next, fields[field]);
    at = next + (next < end);
  }
  ProcessStat result{Pid(fields[4]), fields[22], 0};
  // As the kernel counts VmExe: whole pages from the page of the first byte to past the last.
  if (fields[27] > fields[26] && fields[26] > 1) {
    const std::uint64_t pages = (fields[27] + pageSize - 1) / pageSize - fields[26] / pageSize;
    result.codeKiB = pages * pageSize / 1024;
  }
  return result;
}

// The CPU time the process's threads have run, in nanoseconds, from the scheduler: a syscall that
// opens no file and that the kernel answers for any process; nullopt when it is gone.
std::optional<std::uint64_t> CpuTime(Pid pid) {
  // The kernel's clock ID of a process's whole CPU time (CPUCLOCK_SCHED, of every thread).
  const auto clock = clockid_t((~clockid_t(pid) << 3) | 2);
  timespec time{};
  if (clock_gettime(clock, &time) != 0) return std::nullopt;
  return std::uint64_t(time.tv_sec) * 1'000'000'000 + std::uint64_t(time.tv_nsec);
}

}  // namespace

AffinityMask CpuSetMask(const cpu_set_t* cpus, std::size_t setSize) {
  static_assert(sizeof(unsigned long) == sizeof(std::uint64_t), "kernel CPU sets of 64-bit words");
  // glibc lays a CPU set out as the kernel does: words of CPUs, CPU 0 being bit 0 of the first.
  const auto* words = reinterpret_cast<const std::uint64_t*>(cpus);
  return AffinityMask::FromWords({words, setSize / sizeof(std::uint64_t)});
}

LinuxProcessPlatform::KernelCpuSet::KernelCpuSet(std::size_t cpus) {
  Resize(cpus);
}

LinuxProcessPlatform::KernelCpuSet::~KernelCpuSet() {
  CPU_FREE(cpus);
}

void LinuxProcessPlatform::KernelCpuSet::Resize(std::size_t count) {
  cpu_set_t* grown = CPU_ALLOC(count);
  if (grown == nullptr) throw std::bad_alloc();
  CPU_FREE(cpus);
  cpus = grown;
  cpuCount = count;
  bytes = CPU_ALLOC_SIZE(count);
}

LinuxProcessPlatform::LinuxProcessPlatform()
    : maySetAnyUsers_(HasCapability(CAP_SYS_NICE)),
      effectiveUid_(geteuid()),
      kernelSet_(std::max<std::size_t>(machine_.Cpus().End(), CPU_SETSIZE)),
      // Every path below starts here, so no call looks up "/proc" again. Should /proc be missing,
      // every listing fails with EBADF and the refresh reports it.
      procDir_(open("/proc", O_PATH | O_DIRECTORY | O_CLOEXEC)),
      direntBuffer_(kDirentBufferSize),
      ticksPerSecond_(std::max(sysconf(_SC_CLK_TCK), 1L)),
      pageSize_(std::uint64_t(std::max(sysconf(_SC_PAGESIZE), 1L))) {}

LinuxProcessPlatform::~LinuxProcessPlatform() = default;

ErrorCode LinuxProcessPlatform::ListPids(std::vector<Pid>& pids) {
  pids.clear();
  listedPids_.clear();
  listedInodes_.clear();
  if (const int error =
          ListNumericEntries(procDir_.Get(), ".", direntBuffer_, listedPids_, &listedInodes_);
      error != 0) {
    return ErrorCode(error);
  }
  if (!std::ranges::is_sorted(listedPids_)) {
    std::vector<std::pair<Pid, ino_t>> entries;
    for (std::size_t i = 0; i < listedPids_.size(); ++i)
      entries.emplace_back(listedPids_[i], listedInodes_[i]);
    std::ranges::sort(entries);
    for (std::size_t i = 0; i < entries.size(); ++i)
      std::tie(listedPids_[i], listedInodes_[i]) = entries[i];
  }
  ++listings_;
  ForgetPidsMissingFrom();
  pids = listedPids_;
  return 0;
}

std::string LinuxProcessPlatform::ProcessName(Pid pid) {
  KnownPid* known = LookedAtSinceListing(pid);
  if (known == nullptr) return {};
  if (!known->executable.empty()) return ExecutableName(known->executable);
  if (!known->shortName) known->shortName = ShortKernelName(procDir_.Get(), pid);
  return *known->shortName;
}

std::uint64_t LinuxProcessPlatform::StartTime(Pid pid) {
  KnownPid* known = Find(pid);
  if (known == nullptr) known = LookAt(pid);
  if (known == nullptr) return 0;
  if (!known->startTime) ReadStat(*known);
  return known->startTime.value_or(0);
}

std::uint64_t LinuxProcessPlatform::StartTimeNow() {
  // The kernel counts start times from boot, suspended time included.
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const auto ticks = std::uint64_t(ticksPerSecond_);
  return std::uint64_t(now.tv_sec) * ticks + std::uint64_t(now.tv_nsec) / (1'000'000'000 / ticks);
}

AffinityMask LinuxProcessPlatform::OnlineCpus() {
  machine_.Update();
  return machine_.Cpus();
}

AffinityMask LinuxProcessPlatform::GetMask(Pid pid) {
  // An earlier verdict will do: a PID stays known only while every listing shows it, and reading
  // changes nothing.
  const KnownPid* known = Find(pid);
  if (known == nullptr) known = LookAt(pid);
  if (known == nullptr || known->unopenable) return {};
  // The kernel refuses a set smaller than its own CPU count; a bigger one then reads in full.
  while (sched_getaffinity(pid_t(pid), kernelSet_.bytes, kernelSet_.cpus) != 0) {
    if (errno != EINVAL || kernelSet_.cpuCount >= kMaxCpuNumber) return {};
    kernelSet_.Resize(kernelSet_.cpuCount * 2);
  }
  return CpuSetMask(kernelSet_.cpus, kernelSet_.bytes);
}

ErrorCode LinuxProcessPlatform::SetMask(Pid pid, AffinityMask mask) {
  // The kernel would quietly drop missing CPUs from a mixed mask; the engine expects a refusal.
  if (mask.Empty() || !mask.IsSubsetOf(machine_.Cpus())) return EINVAL;
  // Only a look of the pass over the latest listing is trusted, so that a PID reused since it was
  // looked at cannot lead us to pin a kernel thread. A pass looks at a new process (for its mask or
  // its name) just before it gives it the mode, so that look serves the setting as well.
  const KnownPid* known = LookedAtSinceListing(pid);
  if (known == nullptr) return ESRCH;
  if (known->unopenable) return EACCES;

  CPU_ZERO_S(kernelSet_.bytes, kernelSet_.cpus);
  for (const unsigned cpu : mask.Numbers()) CPU_SET_S(cpu, kernelSet_.bytes, kernelSet_.cpus);
  const auto setThread = [this](Pid thread) {
    return sched_setaffinity(pid_t(thread), kernelSet_.bytes, kernelSet_.cpus) == 0 ? 0 : errno;
  };
  // The scheduler's mask belongs to each thread, and the main thread decides the result. Most
  // processes have no other thread, and counting threads costs less than listing them. The count
  // is taken after the main thread moved, so any thread it starts later inherits the new mask; one
  // it was starting at that very moment can be missed, as it could be by a listing.
  if (const int error = setThread(pid); error != 0) return ErrorCode(error);
  if (ThreadCount(procDir_.Get(), pid) == 1) return 0;

  threads_.clear();
  const int error =
      ListNumericEntries(procDir_.Get(), ProcEntry(pid, "task").c_str(), direntBuffer_, threads_);
  // A process gone meanwhile has nothing left to move.
  if (error != 0 && error != ENOENT) return ErrorCode(error);
  for (const Pid thread : threads_) {
    if (thread != pid) setThread(thread);
  }
  return 0;
}

Pid LinuxProcessPlatform::CurrentPid() {
  return Pid(getpid());
}

bool LinuxProcessPlatform::LookAgain(Pid pid, Doubt doubt) {
  // A process that has not run since its latest look cannot have started another program: the
  // look still holds, and a machine of sleeping processes is looked over without opening a file.
  if (KnownPid* known = Find(pid); doubt == Doubt::kProgram && known != nullptr && known->cpuTime &&
                                   known->cpuTime == CpuTime(pid)) {
    known->lookedAt = listings_;
    return true;
  }
  KnownPid* known = LookAt(pid);
  if (known != nullptr && doubt == Doubt::kProcess) known->startTime.reset();
  return known != nullptr;
}

ProgramIdentity LinuxProcessPlatform::Program(Pid pid) {
  KnownPid* known = LookedAtSinceListing(pid);
  if (known == nullptr) return {};
  // The code size is what tells the program where a look could not see the file. It is read once
  // per path: another path may be another program.
  if (known->program.codeKiB == 0 && !known->runsNoProgram) {
    if (known->program.inode == 0) {
      if (const auto status = ReadProcessStatus(procDir_.Get(), pid))
        known->program.codeKiB = status->codeKiB;
    } else if (!known->statRead) {
      ReadStat(*known);
    }
  }
  return known->program;
}

std::optional<Pid> LinuxProcessPlatform::ParentPid(Pid pid) {
  KnownPid* known = LookedAtSinceListing(pid);
  if (known == nullptr) return {};
  if (!known->statRead) ReadStat(*known);
  if (!known->statRead) return {};
  return known->parent;
}

void LinuxProcessPlatform::ReadStat(KnownPid& known) const {
  const auto stat = ReadProcessStat(procDir_.Get(), known.pid, pageSize_);
  if (!stat) return;
  known.statRead = true;
  known.parent = stat->parent;
  known.startTime = stat->startTime;
  if (stat->codeKiB != 0) known.program.codeKiB = stat->codeKiB;
}

LinuxProcessPlatform::KnownPid* LinuxProcessPlatform::LookAt(Pid pid) {
  // Taken before the executable, so that an exec after it shows as time run since.
  const std::optional<std::uint64_t> cpuTime = CpuTime(pid);
  char target[PATH_MAX];
  const ssize_t length =
      readlinkat(procDir_.Get(), ProcEntry(pid, "exe").c_str(), target, sizeof target);
  const int error = length < 0 ? errno : 0;

  // Kernel threads have no executable; neither have zombies, which cannot be pinned either. A
  // PID without a directory is gone.
  const bool gone =
      error == ENOENT && faccessat(procDir_.Get(), ProcEntry(pid).c_str(), F_OK, 0) != 0;
  const auto place = std::ranges::lower_bound(known_, pid, {}, &KnownPid::pid);
  const bool listed = place != known_.end() && place->pid == pid;
  if (gone) {
    if (listed) known_.erase(place);
    return nullptr;
  }
  KnownPid& known = listed ? *place : *known_.insert(place, KnownPid{});
  known.pid = pid;
  // The latest listing's entry, if it showed the PID, is the one of the process looked at but for
  // a PID taken by another since, which the next listing shows as another entry.
  if (!listed) known.listedInode = ListedInode(pid);
  known.lookedAt = listings_;
  known.cpuTime = cpuTime;
  known.shortName.reset();
  known.statRead = false;
  const std::string_view executable(target, length > 0 ? std::size_t(length) : 0);
  // The same path is the same file, but for one replaced and run again meanwhile, which counts as
  // the same program; another path may be the same file renamed, which only the file tells.
  if (executable.empty() || executable != known.executable) {
    known.executable = executable;
    known.program = {};
    struct statx file {};
    if (!executable.empty() && statx(procDir_.Get(), ProcEntry(pid, "exe").c_str(),
                                     AT_STATX_DONT_SYNC, STATX_INO, &file) == 0)
      known.program = {makedev(file.stx_dev_major, file.stx_dev_minor), file.stx_ino, 0};
  }
  // Reading the executable's link needs the rights of the process's own user, so it can only
  // have worked on a process we may set; the owner is read only where it failed.
  known.unopenable = error == ENOENT || (error != 0 && !MaySet(known));
  known.runsNoProgram = error == ENOENT;
  return &known;
}

bool LinuxProcessPlatform::MaySet(KnownPid& known) const {
  if (maySetAnyUsers_) return true;
  const auto status = ReadProcessStatus(procDir_.Get(), known.pid);
  if (!status) return false;
  known.program.codeKiB = status->codeKiB;
  return status->real == effectiveUid_ || status->effective == effectiveUid_;
}

LinuxProcessPlatform::KnownPid* LinuxProcessPlatform::LookedAtSinceListing(Pid pid) {
  KnownPid* known = Find(pid);
  // Looks belong to the pass over a listing; before the first listing there is none to trust.
  const bool recent = known != nullptr && listings_ != 0 && known->lookedAt == listings_;
  return recent ? known : LookAt(pid);
}

LinuxProcessPlatform::KnownPid* LinuxProcessPlatform::Find(Pid pid) {
  const auto place = std::ranges::lower_bound(known_, pid, {}, &KnownPid::pid);
  return place != known_.end() && place->pid == pid ? &*place : nullptr;
}

ino_t LinuxProcessPlatform::ListedInode(Pid pid) const {
  const auto place = std::ranges::lower_bound(listedPids_, pid);
  if (place == listedPids_.end() || *place != pid) return 0;
  return listedInodes_[std::size_t(place - listedPids_.begin())];
}

void LinuxProcessPlatform::ForgetPidsMissingFrom() {
  auto listed = listedPids_.begin();
  std::size_t kept = 0;
  for (KnownPid& known : known_) {
    while (listed != listedPids_.end() && *listed < known.pid) ++listed;
    if (listed == listedPids_.end() || *listed != known.pid) continue;
    // Another inode is another process, or the kernel's cache dropped the entry: either way a
    // look tells. One looked at before any listing showed it takes the listing's.
    const ino_t inode = listedInodes_[std::size_t(listed - listedPids_.begin())];
    if (known.listedInode != 0 && known.listedInode != inode) continue;
    known.listedInode = inode;
    if (&known_[kept] != &known) known_[kept] = std::move(known);
    ++kept;
  }
  known_.resize(kept);
}

}  // namespace mervale
