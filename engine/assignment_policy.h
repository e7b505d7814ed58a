// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/cpu_cycle.h"
#include "engine/cpu_set.h"
#include "engine/cpu_topology.h"
#include "engine/mode.h"
#include "engine/platform/process_platform.h"
#include "store/ascii_case.h"
#include "store/line_list.h"

namespace mervale {

// A CPU set as the menus give it: a 0/1 flag for each of CPU 1 to CPU 4.
struct CpuFlags {
  std::int32_t cpu1 = 0;
  std::int32_t cpu2 = 0;
  std::int32_t cpu3 = 0;
  std::int32_t cpu4 = 0;
};

AffinityMask SetOf(const CpuFlags& flags);

// What decides the CPU set of a newly seen process.
struct AssignmentPolicy {
  std::optional<Mode> mode = Mode::kOff;  // nothing while the selector has no item selected
  std::int32_t nextCpu = 1;               // the CPU the next process gets in mode Automatic
  CpuCycle cycle = CpuCycle::kTwoCpus;    // chosen in the Options
  CpuSet cycleCpus{3};     // the CPUs the round robin walks: `cycle` on this machine, as of now
  LineList profileList;    // the active profile's entries, "1010: name"
  LineList exclusionList;  // lower-case process names never handled automatically
  CpuSet managedCpus{15};  // the machine's CPUs as ManagedCpus gives them
  CpuSet onlineCpus{15};   // the CPUs a process may be given now
  CpuTopology topology;    // the machine's layout, read again when the online CPUs change
};

// Brings cycleCpus in line with the choice, the managed CPUs and the layout; a change of any of
// them calls it.
void UpdateCycleCpus(AssignmentPolicy& policy);

// Whether the lower-cased name stands in the exclusion list (letter case ignored).
bool IsExcluded(const LineList& exclusionList, std::string_view name);

// How many characters of a profile entry are its mask text: four on a machine with at most four
// CPUs, else the leading run of "0" and "1", so an entry written on a smaller machine keeps its
// meaning on a bigger one.
std::size_t EntryMaskLength(std::string_view entry, const CpuSet& managed);

// A profile entry belongs to a name when the name's first occurrence in it (case-sensitive) starts
// right after the mask text and ": " (at character 7 on machines with at most four CPUs, whatever
// stands before it there). An empty name belongs to nothing.
bool EntryBelongsTo(std::string_view entry, std::string_view name,
                    const CpuSet& managed = CpuSet{15});

// How the profile list shows an entry: on a machine with more than four CPUs its name first and its
// CPUs as a compact list ("idler — 1,3,5–63"), as a run of 64 digits hides the name; there the
// name is cut to an excerpt. Every entry on a smaller machine, and one of any other form, as an
// excerpt of itself.
std::string ProfileEntryShown(std::string_view entry, const CpuSet& managed);

// What mode Manual gives a name: the set of the last profile entry that belongs to it, with `entry`
// pointing at that entry (valid until the list changes); every managed CPU that is online, and no
// entry, when none belongs to it.
struct ProfileAnswer {
  CpuSet mask;
  const std::string* entry = nullptr;
};
ProfileAnswer ProfileMaskFor(const AssignmentPolicy& policy, std::string_view name);

// Where "Isolate" puts the processes it does not isolate on a machine with more than four CPUs: the
// cycle's CPUs outside CPU 1's core, so no SMT sibling shares CPU 1's core; when the cycle has none
// there, every managed CPU outside that core.
CpuSet CpusBesideFirstCore(const AssignmentPolicy& policy);

// The round robin of mode Automatic and "Isolate": the process gets CPU nextCpu alone (nothing
// while the counter names no managed CPU), then the counter moves on to the next CPU of the cycle,
// back to the cycle's first CPU from `firstCpu` on once it passes the last, whether or not the
// process took the set.
void GiveNextCpu(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                 std::int32_t firstCpu);

struct ModeApplied {
  bool tookCycleStep = false;  // now or before
  // Mode Manual: the profile entry that gave the set, when it names a CPU that is not online; the
  // process then keeps its set. Points into the profile list, valid until that list changes.
  const std::string* entryNamingMissingCpus = nullptr;
};

// Gives a newly seen process the current mode's set, unless its name is excluded. Mode Automatic
// gives one CPU per program: a process that took a step of the cycle before it ran its current
// program (`tookCycleStep`) keeps the CPU it has.
ModeApplied ApplyModeTo(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                        std::string_view name, bool tookCycleStep = false);

}  // namespace mervale
