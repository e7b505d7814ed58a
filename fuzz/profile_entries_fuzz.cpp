// SPDX-License-Identifier: GPL-3.0-or-later

// Profile entries: the Manual mode's lookup and "Add to list", which removes every entry of a name
// before it appends the new one. Both are checked against a plain reading of the entry format.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/cpu_set.h"
#include "fuzz/fuzz_support.h"

namespace mervale::fuzz {
namespace {

constexpr std::size_t kNameStart = 6;  // "1010: " comes first

// An entry belongs to a name that starts right after the mask text and ": " and occurs nowhere
// earlier in the entry.
bool ReferenceBelongs(std::string_view entry, std::string_view name) {
  if (name.empty() || entry.size() < kNameStart + name.size()) return false;
  if (entry.substr(kNameStart, name.size()) != name) return false;
  for (std::size_t start = 0; start < kNameStart; ++start) {
    if (entry.substr(start, name.size()) == name) return false;
  }
  return true;
}

// A '1' among the first four characters sets the flag of that CPU.
std::int32_t ReferenceMaskOf(std::string_view entry) {
  std::int32_t mask = 0;
  for (std::size_t cpu = 0; cpu < 4 && cpu < entry.size(); ++cpu) {
    if (entry[cpu] == '1') mask += 1 << cpu;
  }
  return mask;
}

std::int32_t ReferenceProfileMask(const LineList& entries, std::string_view name) {
  std::int32_t mask = 15;
  for (const std::string& entry : entries) {
    if (ReferenceBelongs(entry, name)) mask = ReferenceMaskOf(entry);
  }
  return mask;
}

// Entries built mostly in the program's own form, so that names often do belong to them.
std::string ConsumeEntry(FuzzedDataProvider& input, const std::vector<std::string>& names) {
  // Of any length, so that a long input gives a hand-edited line of megabytes.
  if (input.ConsumeBool()) return input.ConsumeRandomLengthString();
  std::string entry = input.ConsumeBytesAsString(4);
  entry += input.ConsumeBool() ? ": " : input.ConsumeBytesAsString(2);
  if (!names.empty())
    entry += names[input.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];
  entry += input.ConsumeRandomLengthString(8);
  return entry;
}

// What mode Manual gives the name from these entries on a machine of four online CPUs.
CpuSet ManualMask(const LineList& entries, std::string_view name) {
  AssignmentPolicy policy;
  policy.profileList = entries;
  return ProfileMaskFor(policy, name).mask;
}

void CheckOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const CpuFlags flags{input.ConsumeIntegralInRange(0, 1), input.ConsumeIntegralInRange(0, 1),
                       input.ConsumeIntegralInRange(0, 1), input.ConsumeIntegralInRange(0, 1)};
  std::vector<std::string> names(input.ConsumeIntegralInRange<std::size_t>(0, 6));
  for (std::string& name : names) name = input.ConsumeRandomLengthString(12);
  LineList entries(input.ConsumeIntegralInRange<std::size_t>(0, 12));
  for (std::string& entry : entries) entry = ConsumeEntry(input, names);
  const std::string query = input.ConsumeRandomLengthString(12);

  for (const std::string& entry : entries) {
    for (const std::string& name : names) {
      Require(EntryBelongsTo(entry, name) == ReferenceBelongs(entry, name),
              "EntryBelongsTo agrees with the reference");
    }
  }
  for (const std::string& name : names) {
    const CpuSet mask = ManualMask(entries, name);
    Require(mask.End() <= 4, "a profile mask lies in 0..15");
    Require(mask == CpuSet(std::uint64_t(ReferenceProfileMask(entries, name))),
            "ProfileMaskFor agrees with the reference");
  }
  Require(ManualMask(entries, query) == CpuSet(std::uint64_t(ReferenceProfileMask(entries, query))),
          "ProfileMaskFor agrees for any name");

  // "Add to list" on a table of processes with these names; the rows to select come last.
  EngineRig rig(names);
  AffinityEngine& engine = rig.engine;
  engine.Policy().profileList = entries;
  engine.RefreshProcesses();
  ProcessTable& table = engine.Table();
  Require(table.RowCount() == static_cast<int>(names.size()), "every process has a row");
  for (int row = 0; row < table.RowCount(); ++row) table.SetSelected(row, input.ConsumeBool());

  std::string maskText;
  for (const std::int32_t flag : {flags.cpu1, flags.cpu2, flags.cpu3, flags.cpu4}) {
    maskText += flag == 1 ? '1' : '0';
  }
  LineList expected = entries;
  const std::string* lastName = nullptr;
  // An empty set is none that Manual could give: nothing is recorded for it.
  const bool recordable = maskText != "0000";
  for (int row = 0; recordable && row < table.RowCount(); ++row) {
    if (!table.RowAt(row).selected) continue;
    lastName = &table.RowAt(row).name;
    std::erase_if(expected,
                  [&](const std::string& entry) { return ReferenceBelongs(entry, *lastName); });
    expected.push_back(maskText + ": " + *lastName);
  }

  engine.AddSelectedToProfile(SetOf(flags));
  const LineList& profile = engine.Policy().profileList;
  Require(profile == expected, "Add to list agrees with the reference");
  if (lastName == nullptr) return;

  Require(profile.back() == maskText + ": " + *lastName, "the entry is appended last");
  for (std::size_t i = 0; i + 1 < profile.size(); ++i) {
    Require(!ReferenceBelongs(profile[i], *lastName), "no earlier entry belongs to the name");
  }
  // A name made of digits, colons and blanks may occur inside "1010: " already; such an entry
  // never belongs to it, and the profile gives the name nothing.
  if (ReferenceBelongs(profile.back(), *lastName)) {
    Require(ManualMask(profile, *lastName) ==
                CpuSet(std::uint64_t(FlagsToMask(flags.cpu1, flags.cpu2, flags.cpu3, flags.cpu4))),
            "the recorded set is what Manual mode gives the name");
  }
}

}  // namespace
}  // namespace mervale::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mervale::fuzz::CheckOneInput(data, size);
  return 0;
}
