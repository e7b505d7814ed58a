// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/cpu_set.h"
#include "engine/cpu_topology.h"

namespace mervale {

using Pid = std::uint32_t;
using AffinityMask = CpuSet;
using ErrorCode = std::uint32_t;  // 0 is success, anything else the platform's own error code

// Which program a process runs, as far as one look could tell; 0 is not known.
struct ProgramIdentity {
  // The executable file: a file renamed while it runs is still the same file.
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  // The size of the program's code in memory, in KiB: it comes with the program file and changes
  // only when the process runs another program, but may be all there is to see of another user's
  // process (or one that forbids looking at it).
  std::uint64_t codeKiB = 0;
  bool operator==(const ProgramIdentity&) const = default;
};

// Whether two looks at one process saw it run the same program: by the executable file where both
// saw it, else by the size of the code where both saw that, else the same. Two programs whose code
// is of one size are taken for one: a start missed leaves a process as it was, while a name the
// process gave itself taken for a start would take its CPUs.
inline bool RunsSameProgram(const ProgramIdentity& before, const ProgramIdentity& now) {
  if (before.inode != 0 && now.inode != 0)
    return before.device == now.device && before.inode == now.inode;
  return before.codeKiB == 0 || now.codeKiB == 0 || before.codeKiB == now.codeKiB;
}

// The operating system's process management as the engine needs it, one process at a time: which
// processes run, and a process's name and affinity mask. Every call runs on the caller's thread
// and stands on its own; what a backend keeps between calls only saves work.
class ProcessPlatform {
 public:
  virtual ~ProcessPlatform() = default;

  // Replaces `pids` with the running processes, in the platform's own order. On an error `pids`
  // holds nothing of use. A platform that lists no process at all answers 0 with an empty list.
  virtual ErrorCode ListPids(std::vector<Pid>& pids) = 0;
  // The executable's file name; empty when the process is gone or its name cannot be had.
  virtual std::string ProcessName(Pid pid) = 0;
  // When the process started, in the platform's own units; 0 where the platform does not tell.
  // Together with the PID it names one process: a PID freed by its process may be handed to a
  // later one between two listings.
  virtual std::uint64_t StartTime(Pid /*pid*/) { return 0; }
  // The start time a process starting now would be given; 0 where StartTime tells nothing.
  virtual std::uint64_t StartTimeNow() { return 0; }
  // The CPUs a process may be given: the online ones (on Windows, of the program's processor
  // group).
  virtual AffinityMask OnlineCpus() = 0;
  // How the CPUs share cores, caches and memory; plain CPUs where the layout cannot be read.
  virtual CpuTopology Topology() = 0;
  // The process's mask; empty when it cannot be opened or read.
  virtual AffinityMask GetMask(Pid pid) = 0;
  // 0 once the process has the mask, else the platform's error code. Refused for the empty mask, a
  // mask naming a CPU the machine lacks, or a process that cannot be opened for setting; the
  // process then keeps its mask.
  virtual ErrorCode SetMask(Pid pid, AffinityMask mask) = 0;
  virtual Pid CurrentPid() = 0;
  // What may have changed since a process was looked at: the program it runs (exec), or, what a
  // listing may not tell, the process its PID names.
  enum class Doubt { kProgram, kProcess };
  // Its name, program and parent are looked at afresh when asked next, and its start time too when
  // the process itself is in doubt. False when the process is gone.
  virtual bool LookAgain(Pid /*pid*/, Doubt /*doubt*/) { return true; }
  // The program the process runs, as the latest look saw it; nothing known where a process runs
  // one program for its whole life.
  virtual ProgramIdentity Program(Pid /*pid*/) { return {}; }
  // The process that started this one; nothing where a backend cannot tell.
  virtual std::optional<Pid> ParentPid(Pid /*pid*/) { return std::nullopt; }
};

}  // namespace mervale
