// SPDX-License-Identifier: GPL-3.0-or-later

// The exclusion lookup and "Exclude": a name is excluded when a line equals it with the letters
// A to Z folded, whatever else the bytes hold.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/affinity_engine.h"
#include "fuzz/fuzz_support.h"
#include "store/line_search.h"

namespace mervale::fuzz {
namespace {

char FoldAscii(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte;
}

bool EqualFoldingAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

int ReferenceFind(const LineList& lines, std::string_view text) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (EqualFoldingAscii(lines[i], text)) return static_cast<int>(i);
  }
  return -1;
}

// Lines often differ from a name only in letter case, or in a byte next to the letters.
std::string ConsumeVariant(FuzzedDataProvider& input, const std::vector<std::string>& names) {
  // Of any length, so that a long input gives a hand-edited line of megabytes.
  if (names.empty() || input.ConsumeBool()) return input.ConsumeRandomLengthString();
  std::string line = names[input.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];
  for (char& byte : line) {
    if (input.ConsumeBool()) byte = static_cast<char>(byte ^ 0x20);
  }
  return line;
}

void CheckOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<std::string> names(input.ConsumeIntegralInRange<std::size_t>(0, 5));
  for (std::string& name : names) name = input.ConsumeRandomLengthString(12);
  LineList exclusions(input.ConsumeIntegralInRange<std::size_t>(0, 10));
  for (std::string& line : exclusions) line = ConsumeVariant(input, names);

  for (const std::string& name : names) {
    const std::string lower = LowerCaseAscii(name);
    Require(lower.size() == name.size(), "lower-casing keeps the length");
    for (std::size_t i = 0; i < name.size(); ++i) {
      Require(lower[i] == FoldAscii(name[i]), "only A to Z are lowered");
    }
    const int found = ReferenceFind(exclusions, name);
    Require(IsExcluded(exclusions, name) == (found >= 0), "IsExcluded agrees with the reference");
    Require(FindLine(exclusions, name) == found, "FindLine finds the first equal line");
  }

  // "Exclude" on the selected rows adds each lower-cased name that is not there yet.
  EngineRig rig(names);
  AffinityEngine& engine = rig.engine;
  engine.Policy().exclusionList = exclusions;
  engine.RefreshProcesses();
  ProcessTable& table = engine.Table();
  for (int row = 0; row < table.RowCount(); ++row) table.SetSelected(row, input.ConsumeBool());

  LineList expected = exclusions;
  for (int row = 0; row < table.RowCount(); ++row) {
    const ProcessRow& process = table.RowAt(row);
    if (!process.selected) continue;
    if (ReferenceFind(expected, process.name) < 0) {
      expected.push_back(LowerCaseAscii(process.name));
    }
  }
  engine.Exclude();
  Require(engine.Policy().exclusionList == expected, "Exclude agrees with the reference");
  for (int row = 0; row < table.RowCount(); ++row) {
    const ProcessRow& process = table.RowAt(row);
    if (process.selected) Require(IsExcluded(expected, process.name), "excluded after Exclude");
  }
}

}  // namespace
}  // namespace mervale::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mervale::fuzz::CheckOneInput(data, size);
  return 0;
}
