#include "engine/assignment_policy.h"

#include "engine/cpu_set.h"
#include "engine/process_access.h"

namespace mervale {

std::string LowerCaseAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
  }
  return lower;
}

bool IsExcluded(const LineList& exclusionList, std::string_view name) {
  return FindListBoxLine(exclusionList, LowerCaseAscii(name)) != -1;
}

bool EntryBelongsTo(std::string_view entry, std::string_view name) {
  constexpr std::size_t kNameStart = 6;  // after the mask text and ": "
  // Only an occurrence that starts before the name's own place can come first, so the search never
  // needs to look past it: however long the entry, the cost stays that of the name.
  return !name.empty() && entry.substr(0, kNameStart + name.size()).find(name) == kNameStart;
}

std::int32_t ProfileMaskFor(const LineList& profileList, std::string_view name) {
  std::int32_t mask = 15;
  for (const std::string& entry : profileList) {
    if (EntryBelongsTo(entry, name)) mask = static_cast<std::int32_t>(TextToMask(entry));
  }
  return mask;
}

void ApplyModeTo(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                 std::string_view name) {
  if (IsExcluded(policy.exclusionList, name)) return;
  switch (policy.mode) {
    case kModeAutomatic:
      if (policy.NextCpu >= 1 && policy.NextCpu <= 4) {
        SetAffinity(platform, pid, CpuSet{1} << (policy.NextCpu - 1));
      }
      // The counter moves on whether or not the process took the set.
      if (++policy.NextCpu > policy.CpuCount) policy.NextCpu = 1;
      break;
    case kModeManual:
      SetAffinity(platform, pid, static_cast<CpuSet>(ProfileMaskFor(policy.profileList, name)));
      break;
    case kModeCpu1:
      SetAffinity(platform, pid, 1);
      break;
    case kModeCpu2:
      SetAffinity(platform, pid, 2);
      break;
    default:
      break;
  }
}

}  // namespace mervale
