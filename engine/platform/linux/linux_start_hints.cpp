// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/linux_start_hints.h"

#include <elf.h>
#include <fcntl.h>
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

#include "engine/platform/linux/linux_process_start_source.h"
#include "store/search_path.h"

namespace mervale {
namespace {

// The interpreter (PT_INTERP) a 64-bit ELF executable names; empty for a static one.
std::string InterpreterOf(const char* executable) {
  const int file = open(executable, O_RDONLY | O_CLOEXEC);
  if (file < 0) return {};
  std::string interpreter;
  Elf64_Ehdr header{};
  if (pread(file, &header, sizeof header, 0) == ssize_t(sizeof header) &&
      std::string_view(reinterpret_cast<const char*>(header.e_ident), SELFMAG) == ELFMAG &&
      header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_phentsize == sizeof(Elf64_Phdr)) {
    for (unsigned i = 0; i < header.e_phnum; ++i) {
      Elf64_Phdr part{};
      if (pread(file, &part, sizeof part, off_t(header.e_phoff + i * sizeof part)) !=
          ssize_t(sizeof part))
        break;
      if (part.p_type != PT_INTERP || part.p_filesz == 0 || part.p_filesz > 4096) continue;
      interpreter.resize(part.p_filesz);
      if (pread(file, interpreter.data(), part.p_filesz, off_t(part.p_offset)) !=
          ssize_t(part.p_filesz))
        interpreter.clear();
      interpreter.resize(std::min(interpreter.find('\0'), interpreter.size()));
      break;
    }
  }
  close(file);
  return interpreter;
}

std::vector<std::string> PathDirectories() {
  const char* path = std::getenv("PATH");
  return SearchPathDirectories(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
}

// Whether the PID names a process (a thread group) of this PID namespace; the IDs of threads come
// from the same count.
bool IsProcess(long pid) {
  const int handle = int(syscall(SYS_pidfd_open, pid_t(pid), 0));
  if (handle < 0) return false;
  close(handle);
  return true;
}

}  // namespace

LinuxStartHints::Watched LinuxStartHints::ProgramsOfThisSystem() {
  return {InterpreterOf("/proc/self/exe"), PathDirectories()};
}

LinuxStartHints::LinuxStartHints(Watched watched) : watched_(std::move(watched)) {
  reports_ = fanotify_init(FAN_CLASS_NOTIF | FAN_REPORT_FID | FAN_CLOEXEC | FAN_NONBLOCK,
                           O_RDONLY | O_CLOEXEC);
  lookDue_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  ready_ = epoll_create1(EPOLL_CLOEXEC);
  lastPid_ = LastPidOfOwnNamespace();
  epoll_event due = {EPOLLIN, {}};
  if (reports_ < 0 || lookDue_ < 0 || ready_ < 0 || !lastPid_ || !MarkPrograms() ||
      epoll_ctl(ready_, EPOLL_CTL_ADD, lookDue_, &due) != 0) {
    Close();
    return;
  }
  epoll_event reports = {0, {}};
  if (epoll_ctl(ready_, EPOLL_CTL_ADD, reports_, &reports) != 0) Close();
  WatchReports(true);
}

LinuxStartHints::~LinuxStartHints() {
  Close();
}

bool LinuxStartHints::MarkPrograms() {
  // Losing a link is how a file replaced by a rename, or removed, tells its mark.
  constexpr std::uint64_t kReplaced = FAN_ATTRIB | FAN_DELETE_SELF | FAN_MOVE_SELF;
  bool marked = false;
  if (!watched_.interpreter.empty())
    marked = fanotify_mark(reports_, FAN_MARK_ADD, FAN_OPEN_EXEC | kReplaced, AT_FDCWD,
                           watched_.interpreter.c_str()) == 0;
  for (const std::string& directory : watched_.directories) {
    if (fanotify_mark(reports_, FAN_MARK_ADD | FAN_MARK_ONLYDIR,
                      FAN_OPEN_EXEC | FAN_EVENT_ON_CHILD | FAN_DELETE_SELF | FAN_MOVE_SELF,
                      AT_FDCWD, directory.c_str()) == 0)
      marked = true;
  }
  return marked;
}

ProcessStarts LinuxStartHints::Drain() {
  ProcessStarts batch;
  if (ready_ < 0) return batch;
  std::uint64_t expirations = 0;
  if (read(lookDue_, &expirations, sizeof expirations) == ssize_t(sizeof expirations)) {
    LookForNewProcesses(batch);
    WatchReports(true);
  }
  if (watching_ && DropReports(batch)) {
    WatchReports(false);
    const auto sinceLook = std::chrono::steady_clock::now() - lastLook_;
    LookAfter(std::max<std::chrono::nanoseconds>(kSettle, kLookSpacing - sinceLook));
  }
  return batch;
}

bool LinuxStartHints::DropReports(ProcessStarts& batch) {
  alignas(fanotify_event_metadata) char buffer[4096];
  bool any = false;
  bool replaced = false;
  // A bounded number of reads: a storm refills the queue as fast as it is read.
  for (int reads = 0; reads < 16; ++reads) {
    const ssize_t length = read(reports_, buffer, sizeof buffer);
    if (length <= 0) break;
    any = true;
    // A report's file handle is padded to four bytes only, so the next report may sit where its
    // 64-bit mask cannot be read in place: each header is copied out first.
    fanotify_event_metadata report{};
    for (std::size_t at = 0; at + sizeof report <= std::size_t(length); at += report.event_len) {
      std::memcpy(&report, buffer + at, sizeof report);
      if (report.event_len < sizeof report) break;
      if (report.mask & FAN_Q_OVERFLOW) batch.eventsLost = true;
      if (report.mask & (FAN_ATTRIB | FAN_DELETE_SELF | FAN_MOVE_SELF)) replaced = true;
    }
  }
  if (replaced) {
    // The marks of replaced files would hold their old inodes for good.
    fanotify_mark(reports_, FAN_MARK_FLUSH, 0, AT_FDCWD, nullptr);
    MarkPrograms();
    batch.eventsLost = true;
  }
  return any;
}

void LinuxStartHints::LookForNewProcesses(ProcessStarts& batch) {
  lastLook_ = std::chrono::steady_clock::now();
  batch.knownMayHaveChanged = true;
  const std::optional<long> lastPid = LastPidOfOwnNamespace();
  // Past pid_max the count starts again from the bottom; so many new PIDs, or a count that wrapped,
  // are for a full pass to find.
  if (!lastPid || *lastPid < *lastPid_ || std::size_t(*lastPid - *lastPid_) > kMaxStartsPerDrain) {
    batch.eventsLost = true;
  } else {
    for (long pid = *lastPid_ + 1; pid <= *lastPid; ++pid) {
      if (IsProcess(pid)) batch.starts.push_back({Pid(pid), Pid(pid)});
    }
  }
  if (lastPid) lastPid_ = lastPid;
}

void LinuxStartHints::WatchReports(bool watch) {
  epoll_event reports = {watch ? std::uint32_t(EPOLLIN) : 0, {}};
  if (ready_ >= 0 && epoll_ctl(ready_, EPOLL_CTL_MOD, reports_, &reports) == 0) watching_ = watch;
}

void LinuxStartHints::LookAfter(std::chrono::nanoseconds delay) {
  const auto ns = std::max<std::chrono::nanoseconds::rep>(1, delay.count());
  itimerspec when{};
  when.it_value = {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
  timerfd_settime(lookDue_, 0, &when, nullptr);
}

void LinuxStartHints::Close() {
  for (int* descriptor : {&ready_, &lookDue_, &reports_}) {
    if (*descriptor >= 0) close(*descriptor);
    *descriptor = -1;
  }
}

}  // namespace mervale
