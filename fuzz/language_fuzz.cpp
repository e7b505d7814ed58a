// SPDX-License-Identifier: GPL-3.0-or-later

// Applying a language table of any bytes: every caption comes from the table, or, when the table is
// too short, no caption changes and the mode selector keeps its items and its mode.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "store/error.h"
#include "store/language_captions.h"

namespace mervale::fuzz {
namespace {

// The table lines in the order the captions take them; 20 to 24 are the mode items.
constexpr int kApplicationOrder[] = {0,  1,  2,  3,  4,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                     16, 17, 18, 19, 20, 21, 22, 23, 24, 20, 21, 22, 23, 24, 25,
                                     26, 27, 28, 29, 31, 35, 36, 39, 40, 21, 41, 41, 30};

std::optional<int> ExpectedMissingIndex(std::size_t lineCount) {
  for (const int index : kApplicationOrder) {
    if (static_cast<std::size_t>(index) >= lineCount) return index;
  }
  return std::nullopt;
}

// What the windows showed before the language change.
struct Shown {
  std::map<CaptionTarget, std::string> captions;
  std::array<std::string, kModeItemCount> modeItems;
  int modeItemFills;
  int mode;
  int modeReactions;
};

Shown ShownBy(const ProgramRig& rig) {
  return {rig.view.captions, rig.view.modeItems, rig.view.modeItemFills,
          SettingsValueOf(rig.program.CurrentMode()), rig.view.ModeReactions()};
}

void CheckApplied(const ProgramRig& rig, const Shown& before, const LineList& lines) {
  for (const CaptionStep& step : CaptionSteps()) {
    if (step.target == CaptionTarget::kModeItems) continue;
    const auto found = rig.view.captions.find(step.target);
    Require(found != rig.view.captions.end() &&
                found->second == lines[static_cast<std::size_t>(step.index)],
            "every caption takes its line");
  }
  for (std::size_t item = 0; item < kModeItemCount; ++item) {
    Require(rig.view.modeItems[item] == lines[20 + item], "the mode items take lines 20 to 24");
  }
  Require(SettingsValueOf(rig.program.CurrentMode()) == before.mode,
          "the mode survives its items being rebuilt");
  Require(rig.view.ModeReactions() == before.modeReactions + (before.mode >= 0 ? 1 : 0),
          "a selected mode is applied again, none is not");
  if (before.mode >= 0) {
    const LineList settings = SplitLines(ReadBytes(rig.DataFile("Settings.ini")));
    Require(!settings.empty() && settings[0] == std::to_string(before.mode),
            "the re-applied mode is saved");
  }
}

void CheckUnchanged(const ProgramRig& rig, const Shown& before) {
  const Shown after = ShownBy(rig);
  Require(after.captions == before.captions, "a short table changes no caption");
  Require(after.modeItems == before.modeItems && after.modeItemFills == before.modeItemFills,
          "a short table leaves the mode items");
  Require(after.mode == before.mode && after.modeReactions == before.modeReactions,
          "a short table leaves the mode");
}

void CheckOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const int mode = input.ConsumeIntegralInRange(-1, 4);
  const std::string table = input.ConsumeRemainingBytesAsString();

  ProgramRig rig;
  WriteBytes(rig.LanguageFile("Fuzzed"), table);
  rig.program.PrepareData();
  rig.program.LoadSettings();
  rig.program.SelectMode(ModeOfItem(mode));
  const Shown before = ShownBy(rig);

  const LineList lines = SplitLines(table);
  const std::optional<int> missing = ExpectedMissingIndex(lines.size());
  std::optional<std::string> error;
  try {
    rig.program.SelectLanguage("Fuzzed");
  } catch (const Error& thrown) {
    error = thrown.what();
  }
  Require(error == (missing ? std::optional(ListIndexText(*missing)) : std::nullopt),
          "only a table of fewer than 42 lines fails, naming the first index it lacks");
  Require(ReadBytes(rig.DataFile("lang.ini")) == "Fuzzed\r\n", "the choice is remembered first");
  Require(rig.program.LanguageTable() == lines, "the table holds the file's lines");
  if (error) {
    CheckUnchanged(rig, before);
  } else {
    CheckApplied(rig, before, lines);
  }
}

}  // namespace
}  // namespace mervale::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mervale::fuzz::CheckOneInput(data, size);
  return 0;
}
