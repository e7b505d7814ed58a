// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// How far the operating system's start events can be trusted by the one who reads them.
enum class StartEvents {
  kUnavailable,  // no events: the refresh timer alone finds new processes
  kOwnPids,      // each start names the process by the PID this program's process list uses
  kForeignPids,  // starts name processes by PIDs of another namespace: a hint to pass soon, no more
};

// One program that has started: a process that began, or one that ran another program (which
// makes it new again, under its new name).
struct ProcessStart {
  Pid pid = 0;     // the process (thread group)
  Pid thread = 0;  // the thread that started the program
};

struct ProcessStarts {
  // In the order they happened; a process may appear more than once.
  std::vector<ProcessStart> starts;
  // Some starts were never reported (the system dropped them): only a full pass finds those.
  bool eventsLost = false;
  // Programs were started that the batch cannot name: known processes may run other programs now.
  bool knownMayHaveChanged = false;
};

// Tells of programs as they start, so that they need not wait for the next refresh. Everything
// runs on the caller's thread: the caller watches Descriptor() for input and then calls Drain().
class ProcessStartSource {
 public:
  virtual ~ProcessStartSource() = default;

  virtual StartEvents Events() const = 0;
  // A file descriptor that turns readable when Drain() has something; -1 when there is none.
  virtual int Descriptor() const = 0;
  // Takes what has arrived since the last call, without waiting. A batch holds at most
  // kMaxStartsPerDrain starts; what did not fit waits for the next call.
  virtual ProcessStarts Drain() = 0;

  static constexpr std::size_t kMaxStartsPerDrain = 1024;
};

}  // namespace mervale
