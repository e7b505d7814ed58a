// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "engine/platform/process_start_source.h"

namespace mervale {

// Program starts where the process events connector does not serve us: for an ordinary user, and
// for root in a PID namespace of its own.
//
// fanotify lets anyone (Linux 5.13 on) put inode marks reporting by file handle: marks on the ELF
// interpreter this program uses, which every dynamically linked program opens at its exec, and on
// the directories of PATH report the execs of the whole machine, without a PID. So a report is
// only a hint that something started: once the exec has had a few milliseconds to complete (at the
// report the process still has its old name), the PIDs handed out in this PID namespace since the
// previous look are the new processes, and a known process may run another program
// (knownMayHaveChanged).
//
// While a look is due the reports wait in the kernel's queue, which is bounded (an overflow is
// reported as lost starts); looks come at most once per kLookSpacing, so a storm of starts costs
// a bounded share of a core. Where fanotify is refused, Events() is kUnavailable.
//
// A mark stays on the inode it was put on: an upgrade that replaces the interpreter (or a PATH
// directory) would end the hints without a word. The marks therefore also report when their files
// lose a link or go, and then the paths are marked afresh; the starts missed meanwhile are
// reported as lost.
class LinuxStartHints : public ProcessStartSource {
 public:
  static constexpr auto kSettle = std::chrono::milliseconds(5);
  static constexpr auto kLookSpacing = std::chrono::milliseconds(20);

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
    return ready_ >= 0 ? StartEvents::kOwnPids : StartEvents::kUnavailable;
  }
  // Readable when reports arrived or a look is due.
  int Descriptor() const override { return ready_; }
  ProcessStarts Drain() override;

 private:
  bool MarkPrograms();
  // Reads and drops the waiting reports; true when there were any. Marks the files afresh when one
  // of them was replaced.
  bool DropReports(ProcessStarts& batch);
  void LookForNewProcesses(ProcessStarts& batch);
  void WatchReports(bool watch);
  void LookAfter(std::chrono::nanoseconds delay);
  void Close();

  Watched watched_;
  int reports_ = -1;  // fanotify
  int lookDue_ = -1;  // timerfd
  int ready_ = -1;    // epoll over both
  bool watching_ = false;
  std::optional<long> lastPid_;  // the namespace's latest PID at the latest look
  std::chrono::steady_clock::time_point lastLook_{};
};

}  // namespace mervale
