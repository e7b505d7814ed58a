// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "engine/platform/linux/unique_fd.h"
#include "engine/platform/process_start_source.h"

namespace mervale {

// Program starts where the process events connector does not serve us: for an ordinary user, and
// for root in a PID namespace of its own.
//
// fanotify lets anyone (Linux 5.13 on) put inode marks reporting by file handle: marks on the ELF
// interpreter this program uses, which every dynamically linked program opens at its exec, and on
// the directories of PATH report the execs of the whole machine. A listener with CAP_SYS_ADMIN is
// told the PID of each exec as its own PID namespace numbers it, 0 for one outside: a named
// process is the one that runs another program, and no known process need be looked at for one
// outside. An ordinary user is told no PID at all, so any known process may run another program
// now (knownMayHaveChanged). Either way a report leads to the PIDs handed out in this PID
// namespace since the previous look, one read of a counter: forks that run no program are
// reported by nothing else.
//
// A report comes while the exec is under way (the process still runs its old program), and the
// process is handed over at once: what it is given then, it keeps through the exec. Once the exec
// has had kSettle to complete, the same processes are handed over again, so that one now running
// another program is taken under its new name, and the new PIDs are read once more, for the
// children a program forks as soon as it has started.
//
// While a look is due the reports wait in the kernel's queue, which is bounded (an overflow is
// reported as lost starts); looks for new PIDs come at most once per kLookSpacing, so a storm
// of starts costs a bounded share of a core. Once several reads in a row bring nothing of ours
// (the machine is busy outside this namespace), a report no longer wakes the caller: the reports
// wait until the caller drains for reasons of its own (its refresh, say), or kQuietAtMost passes,
// until a read brings something of ours again. A start here then waits up to that long (about as
// long as for the refresh): on a virtual machine a wake-up alone costs a listener more than the
// look it brings, so waking for every report elsewhere would cost more than the passes. Where
// fanotify is refused, Events() is kUnavailable.
//
// A mark stays on the inode it was put on: an upgrade that replaces the interpreter (or a PATH
// directory) would end the hints without a word. The marks therefore also report when their files
// lose a link or go, and then the paths are marked afresh; the starts missed meanwhile are
// reported as lost.
class LinuxStartHints : public ProcessStartSource {
 public:
  static constexpr auto kSettle = std::chrono::milliseconds(5);
  static constexpr auto kLookSpacing = std::chrono::milliseconds(20);
  // Reports of starts elsewhere, after so many reads in a row brought nothing of ours, wait for the
  // caller's next drain, or kQuietAtMost at most; longer than a refresh of a second, so that with
  // one they cost no wake-up of their own.
  static constexpr int kReadsBeforeQuiet = 3;
  static constexpr auto kQuietAtMost = std::chrono::milliseconds(1500);

  // The files whose executions hint at starts: the interpreter this program itself uses, and the
  // directories of PATH.
  struct Watched {
    std::string interpreter;               // empty for none
    std::vector<std::string> directories;  // searched for programs
  };
  static Watched ProgramsOfThisSystem();

  explicit LinuxStartHints(Watched watched = ProgramsOfThisSystem());
  ~LinuxStartHints() override;
  LinuxStartHints(const LinuxStartHints&) = delete;
  LinuxStartHints& operator=(const LinuxStartHints&) = delete;

  StartEvents Events() const override {
    return ready_.Valid() ? StartEvents::kOwnPids : StartEvents::kUnavailable;
  }
  // Readable when reports arrived or a look is due.
  int Descriptor() const override { return ready_.Get(); }
  ProcessStarts Drain() override;

 private:
  bool MarkPrograms();
  struct Reports {
    bool any = false;
    bool execs = false;  // of programs started anywhere
  };
  // Reads the waiting reports, handing over the processes they name. Marks the files afresh when
  // one of them was replaced.
  Reports ReadReports(ProcessStarts& batch);
  // Hands over the processes this PID namespace handed out PIDs to since the latest look.
  void LookForNewProcesses(ProcessStarts& batch);
  void WatchReports(bool watch);
  void LookAfter(std::chrono::nanoseconds delay);
  void Close();

  Watched watched_;
  UniqueFd reports_;        // fanotify
  UniqueFd lookDue_;        // timerfd
  UniqueFd ready_;          // epoll over both
  bool namesPids_ = false;  // reports name the process of an exec of our namespace
  bool watching_ = false;
  bool lookPending_ = false;
  bool quietPending_ = false;    // the pending timer only ends a quiet spell
  bool lookOwed_ = false;        // reports of execs came since the latest look
  int readsOfOthers_ = 0;        // reads in a row that brought no process of ours
  std::optional<long> lastPid_;  // the namespace's latest PID at the latest look
  std::chrono::steady_clock::time_point lastLook_{};
  std::vector<Pid> settling_;  // handed over while their exec may have been under way
};

}  // namespace mervale
