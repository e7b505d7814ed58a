#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// What decides the CPU set of a newly seen process.
struct AssignmentPolicy {
  std::optional<Mode> mode = Mode::kOff;  // nothing while the selector has no item selected
  std::int32_t NextCpu = 1;               // the CPU the next process gets in mode Automatic
  std::int32_t CpuCount = 2;  // how many CPUs the round-robin cycles over: 2, or 4 with "Quad core"
  LineList profileList;       // the active profile's entries, "1010: name"
  LineList exclusionList;     // lower-case process names never handled automatically
};

// Whether the lower-cased name stands in the exclusion list (letter case ignored).
bool IsExcluded(const LineList& exclusionList, std::string_view name);

// A profile entry belongs to a name when the name's first occurrence in it (case-sensitive) starts
// at character 7, right after "1010: ". An empty name belongs to nothing.
bool EntryBelongsTo(std::string_view entry, std::string_view name);

// The set the profile gives the name: 15 when no entry belongs to it; the last matching entry wins.
std::int32_t ProfileMaskFor(const LineList& profileList, std::string_view name);

// The round robin of mode Automatic and "Isolate": the process gets CPU NextCpu alone (nothing
// while the counter stands outside 1 to 4), then the counter moves on, back to `firstCpu` once it
// passes CpuCount, whether or not the process took the set.
void GiveNextCpu(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                 std::int32_t firstCpu);

// Gives a newly seen process the current mode's set, unless its name is excluded.
void ApplyModeTo(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                 std::string_view name);

}  // namespace mervale
