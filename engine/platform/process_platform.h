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
  // The process has just started a program (exec): what a backend keeps about it, its name above
  // all, belongs to the program it ran before.
  virtual void ProgramStarted(Pid /*pid*/) {}
  // Whether the process runs another program than when the backend last looked at it: one that
  // could not be opened then may be ours now. False where a backend keeps nothing between calls.
  virtual bool RunsAnotherProgram(Pid /*pid*/) { return false; }
  // The process that started this one; nothing where a backend cannot tell.
  virtual std::optional<Pid> ParentPid(Pid /*pid*/) { return std::nullopt; }
};

}  // namespace mervale
