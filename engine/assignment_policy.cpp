#include "engine/assignment_policy.h"

#include "engine/cpu_set.h"

namespace mervale {

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

void GiveNextCpu(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                 std::int32_t firstCpu) {
  if (policy.NextCpu >= 1 && policy.NextCpu <= 4) {
    platform.SetMask(pid, CpuSet{1} << (policy.NextCpu - 1));
  }
  if (++policy.NextCpu > policy.CpuCount) policy.NextCpu = firstCpu;
}

void ApplyModeTo(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                 std::string_view name) {
  if (!policy.mode || IsExcluded(policy.exclusionList, name)) return;
  switch (*policy.mode) {
    case Mode::kAutomatic:
      GiveNextCpu(platform, policy, pid, 1);
      break;
    case Mode::kManual:
      platform.SetMask(pid, static_cast<CpuSet>(ProfileMaskFor(policy.profileList, name)));
      break;
    case Mode::kCpu1:
      platform.SetMask(pid, 1);
      break;
    case Mode::kCpu2:
      platform.SetMask(pid, 2);
      break;
    case Mode::kOff:
      break;
  }
}

}  // namespace mervale
