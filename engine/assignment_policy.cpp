// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/assignment_policy.h"
#include "store/line_search.h"

#include <algorithm>

#include "engine/cpu_list_text.h"
#include "store/excerpt.h"

namespace mervale {

AffinityMask SetOf(const CpuFlags& flags) {
  return std::uint64_t(std::uint32_t(FlagsToMask(flags.cpu1, flags.cpu2, flags.cpu3, flags.cpu4)));
}

bool IsExcluded(const LineList& exclusionList, std::string_view name) {
  return FindLine(exclusionList, LowerCaseAscii(name)) != -1;
}

std::size_t EntryMaskLength(std::string_view entry, const CpuSet& managed) {
  if (!ManagesMoreThanFourCpus(managed)) return MaskTextWidth(managed);
  return std::min(entry.find_first_not_of("01"), entry.size());
}

bool EntryBelongsTo(std::string_view entry, std::string_view name, const CpuSet& managed) {
  constexpr std::string_view kSeparator = ": ";
  const std::size_t maskLength = EntryMaskLength(entry, managed);
  // The fixed layout never looked at the separator; the variable one needs it to end the mask.
  if (ManagesMoreThanFourCpus(managed) && entry.substr(maskLength, kSeparator.size()) != kSeparator)
    return false;
  const std::size_t nameStart = maskLength + kSeparator.size();
  // Only an occurrence that starts before the name's own place can come first, so the search never
  // needs to look past it: however long the entry, the cost stays that of the name.
  return !name.empty() && entry.substr(0, nameStart + name.size()).find(name) == nameStart;
}

std::string ProfileEntryShown(std::string_view entry, const CpuSet& managed) {
  constexpr std::string_view kSeparator = ": ";
  const std::size_t maskLength = EntryMaskLength(entry, managed);
  if (!ManagesMoreThanFourCpus(managed) || maskLength == 0 ||
      entry.substr(maskLength, kSeparator.size()) != kSeparator)
    return Excerpt(entry);
  return Excerpt(entry.substr(maskLength + kSeparator.size())) + " \u2014 " +
         CompactCpuList(TextToMask(entry, maskLength));
}

ProfileAnswer ProfileMaskFor(const AssignmentPolicy& policy, std::string_view name) {
  const CpuSet& managed = policy.managedCpus;
  // The last entry wins. Plain iterators: clang 14 cannot compile views::reverse with libstdc++ 12.
  const auto last =
      std::find_if(policy.profileList.rbegin(), policy.profileList.rend(),
                   [&](const std::string& entry) { return EntryBelongsTo(entry, name, managed); });
  if (last == policy.profileList.rend()) return {managed.Common(policy.onlineCpus)};
  return {TextToMask(*last, EntryMaskLength(*last, managed)), &*last};
}

void UpdateCycleCpus(AssignmentPolicy& policy) {
  policy.cycleCpus = CycleCpus(policy.cycle, policy.managedCpus, policy.topology);
}

CpuSet CpusBesideFirstCore(const AssignmentPolicy& policy) {
  const auto& cores = policy.topology.cores;
  const auto firstCore =
      std::ranges::find_if(cores, [](const CpuNumbers& core) { return core.front() == 0; });
  const auto beside = [&](const CpuSet& cpus) {
    CpuSet set;
    for (const unsigned cpu : cpus.Numbers()) {
      if (cpu != 0 && (firstCore == cores.end() || !std::ranges::binary_search(*firstCore, cpu)))
        set.Add(cpu);
    }
    return set;
  };
  CpuSet set = beside(policy.cycleCpus);
  return set.Empty() ? beside(policy.managedCpus) : set;
}

namespace {

// The CPU of the cycle that follows CPU `cpu` (numbers from 1): the next higher one, else the
// lowest from `firstCpu` on; `firstCpu` itself when the cycle has none from there.
std::int32_t CycleCpuAfter(const CpuSet& cycle, std::int32_t cpu, std::int32_t firstCpu) {
  // Zero-based, the CPU after `cpu` is the first from `cpu` on.
  std::optional<std::size_t> next = cycle.FirstFrom(std::size_t(std::max(cpu, 0)));
  if (!next) next = cycle.FirstFrom(std::size_t(std::max(firstCpu - 1, 0)));
  return next ? std::int32_t(*next + 1) : firstCpu;
}

}  // namespace

void GiveNextCpu(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                 std::int32_t firstCpu) {
  if (policy.nextCpu >= 1 && policy.managedCpus.Contains(std::size_t(policy.nextCpu - 1))) {
    CpuSet single;
    single.Add(std::size_t(policy.nextCpu - 1));
    platform.SetMask(pid, single);
  }
  policy.nextCpu = CycleCpuAfter(policy.cycleCpus, policy.nextCpu, firstCpu);
}

ModeApplied ApplyModeTo(ProcessPlatform& platform, AssignmentPolicy& policy, Pid pid,
                        std::string_view name, bool tookCycleStep) {
  if (!policy.mode || IsExcluded(policy.exclusionList, name)) return {tookCycleStep};
  switch (*policy.mode) {
    case Mode::kAutomatic:
      if (!tookCycleStep) GiveNextCpu(platform, policy, pid, 1);
      return {true};
    case Mode::kManual: {
      const auto [mask, entry] = ProfileMaskFor(policy, name);
      if (entry != nullptr && !mask.IsSubsetOf(policy.onlineCpus)) return {tookCycleStep, entry};
      platform.SetMask(pid, mask);
      break;
    }
    case Mode::kCpu1:
      platform.SetMask(pid, 1);
      break;
    case Mode::kCpu2:
      platform.SetMask(pid, 2);
      break;
    case Mode::kOff:
      break;
  }
  return {tookCycleStep};
}

}  // namespace mervale
