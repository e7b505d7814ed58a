// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/linux_start_hints.h"

#include <elf.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/epoll.h>
#include <sys/fanotify.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/platform/linux/linux_capability.h"
#include "engine/platform/linux/linux_process_start_source.h"
#include "store/search_path.h"

namespace mervale {
namespace {

// The interpreter (PT_INTERP) a 64-bit ELF executable names; empty for a static one.
std::string InterpreterOf(const char* executable) {
  const UniqueFd file(open(executable, O_RDONLY | O_CLOEXEC));
  if (!file.Valid()) return {};
  std::string interpreter;
  Elf64_Ehdr header{};
  if (pread(file.Get(), &header, sizeof header, 0) == ssize_t(sizeof header) &&
      std::string_view(reinterpret_cast<const char*>(header.e_ident), SELFMAG) == ELFMAG &&
      header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_phentsize == sizeof(Elf64_Phdr)) {
    for (unsigned i = 0; i < header.e_phnum; ++i) {
      Elf64_Phdr part{};
      if (pread(file.Get(), &part, sizeof part, off_t(header.e_phoff + i * sizeof part)) !=
          ssize_t(sizeof part))
        break;
      if (part.p_type != PT_INTERP || part.p_filesz == 0 || part.p_filesz > 4096) continue;
      interpreter.resize(part.p_filesz);
      if (pread(file.Get(), interpreter.data(), part.p_filesz, off_t(part.p_offset)) !=
          ssize_t(part.p_filesz))
        interpreter.clear();
      interpreter.resize(std::min(interpreter.find('\0'), interpreter.size()));
      break;
    }
  }
  return interpreter;
}

std::vector<std::string> PathDirectories() {
  const char* path = std::getenv("PATH");
  return SearchPathDirectories(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
}

// Whether the PID names a process (a thread group) of this PID namespace; the IDs of threads come
// from the same count.
bool IsProcess(long pid) {
  return UniqueFd(int(syscall(SYS_pidfd_open, pid_t(pid), 0))).Valid();
}

}  // namespace

LinuxStartHints::Watched LinuxStartHints::ProgramsOfThisSystem() {
  return {InterpreterOf("/proc/self/exe"), PathDirectories()};
}

LinuxStartHints::LinuxStartHints(Watched watched)
    : watched_(std::move(watched)),
      reports_(fanotify_init(FAN_CLASS_NOTIF | FAN_REPORT_FID | FAN_CLOEXEC | FAN_NONBLOCK,
                             O_RDONLY | O_CLOEXEC)),
      lookDue_(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)),
      ready_(epoll_create1(EPOLL_CLOEXEC)),
      // The kernel tells the PIDs of others' execs only to a listener that could watch them all.
      namesPids_(HasCapability(CAP_SYS_ADMIN)),
      lastPid_(LastPidOfOwnNamespace()) {
  epoll_event due = {EPOLLIN, {}};
  if (!reports_.Valid() || !lookDue_.Valid() || !ready_.Valid() || !lastPid_ || !MarkPrograms() ||
      epoll_ctl(ready_.Get(), EPOLL_CTL_ADD, lookDue_.Get(), &due) != 0) {
    Close();
    return;
  }
  WatchReports(true);
  if (!watching_) Close();
}

LinuxStartHints::~LinuxStartHints() = default;

bool LinuxStartHints::MarkPrograms() {
  // Losing a link is how a file replaced by a rename, or removed, tells its mark.
  constexpr std::uint64_t kReplaced = FAN_ATTRIB | FAN_DELETE_SELF | FAN_MOVE_SELF;
  bool marked = false;
  if (!watched_.interpreter.empty())
    marked = fanotify_mark(reports_.Get(), FAN_MARK_ADD, FAN_OPEN_EXEC | kReplaced, AT_FDCWD,
                           watched_.interpreter.c_str()) == 0;
  for (const std::string& directory : watched_.directories) {
    if (fanotify_mark(reports_.Get(), FAN_MARK_ADD | FAN_MARK_ONLYDIR,
                      FAN_OPEN_EXEC | FAN_EVENT_ON_CHILD | FAN_DELETE_SELF | FAN_MOVE_SELF,
                      AT_FDCWD, directory.c_str()) == 0)
      marked = true;
  }
  return marked;
}

ProcessStarts LinuxStartHints::Drain() {
  ProcessStarts batch;
  if (!ready_.Valid()) return batch;
  std::uint64_t expirations = 0;
  const bool due =
      read(lookDue_.Get(), &expirations, sizeof expirations) == ssize_t(sizeof expirations);
  if (due) {
    lookPending_ = false;
    const std::vector<Pid> settled = std::exchange(settling_, {});
    for (const Pid pid : settled) batch.starts.push_back({pid, pid});
    // A program that has just started may fork at once, and no report names a fork: the settle
    // looks at the namespace's new PIDs once more.
    if (!settled.empty()) lookOwed_ = true;
  }
  // The reports are read first, so that a look covers them; and whenever the caller drains, which
  // costs no wake-up of its own.
  const Reports reports = ReadReports(batch);
  lookOwed_ = lookOwed_ || reports.execs;
  const auto sinceLook = std::chrono::steady_clock::now() - lastLook_;
  if (lookOwed_ && (due || sinceLook >= kLookSpacing)) {
    LookForNewProcesses(batch);
    lookOwed_ = false;
  }
  // Reports that bring no process of ours tell of a machine busy elsewhere: once several reads
  // in a row brought nothing, they wait in the queue for the caller's next drain.
  if (reports.any) {
    const bool ours = !batch.starts.empty() || batch.eventsLost;
    readsOfOthers_ = ours ? 0 : readsOfOthers_ + 1;
  }
  if (!lookPending_ || quietPending_) {
    if (lookOwed_)
      LookAfter(kLookSpacing - sinceLook);
    else if (!settling_.empty())
      LookAfter(kSettle);
    else if (readsOfOthers_ >= kReadsBeforeQuiet && reports.any)
      LookAfter(kQuietAtMost);  // a spell that ends without reports watches them again
    quietPending_ = lookPending_ && !lookOwed_ && settling_.empty();
  }
  // The look that is due reads what comes meanwhile.
  WatchReports(!lookPending_);
  return batch;
}

LinuxStartHints::Reports LinuxStartHints::ReadReports(ProcessStarts& batch) {
  alignas(fanotify_event_metadata) char buffer[4096];
  Reports reports;
  bool replaced = false;
  // A bounded number of reads: a storm refills the queue as fast as it is read.
  for (int reads = 0; reads < 16; ++reads) {
    const ssize_t length = read(reports_.Get(), buffer, sizeof buffer);
    if (length <= 0) break;
    reports.any = true;
    // A report's file handle is padded to four bytes only, so the next report may sit where its
    // 64-bit mask cannot be read in place: each header is copied out first.
    fanotify_event_metadata report{};
    for (std::size_t at = 0; at + sizeof report <= std::size_t(length); at += report.event_len) {
      std::memcpy(&report, buffer + at, sizeof report);
      if (report.event_len < sizeof report) break;
      if (report.mask & FAN_Q_OVERFLOW) batch.eventsLost = true;
      if (report.mask & (FAN_ATTRIB | FAN_DELETE_SELF | FAN_MOVE_SELF)) replaced = true;
      if (!(report.mask & FAN_OPEN_EXEC)) continue;
      reports.execs = true;
      if (report.pid > 0 && batch.starts.size() < kMaxStartsPerDrain) {
        batch.starts.push_back({Pid(report.pid), Pid(report.pid)});
        settling_.push_back(Pid(report.pid));
      } else if (report.pid > 0) {
        batch.eventsLost = true;
      }
    }
  }
  if (replaced) {
    // The marks of replaced files would hold their old inodes for good.
    fanotify_mark(reports_.Get(), FAN_MARK_FLUSH, 0, AT_FDCWD, nullptr);
    MarkPrograms();
    batch.eventsLost = true;
  }
  return reports;
}

void LinuxStartHints::LookForNewProcesses(ProcessStarts& batch) {
  lastLook_ = std::chrono::steady_clock::now();
  batch.knownMayHaveChanged = !namesPids_;
  const std::optional<long> lastPid = LastPidOfOwnNamespace();
  // Past pid_max the count starts again from the bottom; so many new PIDs, or a count that wrapped,
  // are for a full pass to find.
  if (!lastPid || *lastPid < *lastPid_ || std::size_t(*lastPid - *lastPid_) > kMaxStartsPerDrain) {
    batch.eventsLost = true;
  } else {
    for (long pid = *lastPid_ + 1; pid <= *lastPid; ++pid) {
      if (!IsProcess(pid)) continue;
      batch.starts.push_back({Pid(pid), Pid(pid)});
      settling_.push_back(Pid(pid));
    }
  }
  if (lastPid) lastPid_ = lastPid;
}

void LinuxStartHints::WatchReports(bool watch) {
  // Taken out of the set rather than left in it without events: the kernel keeps errors and
  // hang-ups in every mask, so each report would still wake whoever waits on the set.
  epoll_event reports = {EPOLLIN, {}};
  if (watch != watching_ && ready_.Valid() &&
      epoll_ctl(ready_.Get(), watch ? EPOLL_CTL_ADD : EPOLL_CTL_DEL, reports_.Get(), &reports) == 0)
    watching_ = watch;
}

void LinuxStartHints::LookAfter(std::chrono::nanoseconds delay) {
  const auto ns = std::max<std::chrono::nanoseconds::rep>(1, delay.count());
  itimerspec when{};
  when.it_value = {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
  lookPending_ = timerfd_settime(lookDue_.Get(), 0, &when, nullptr) == 0;
}

void LinuxStartHints::Close() {
  ready_.Reset();
  lookDue_.Reset();
  reports_.Reset();
}

}  // namespace mervale
