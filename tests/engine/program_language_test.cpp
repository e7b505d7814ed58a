// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "program_fixture.h"
#include "store/error.h"
#include "store/line_list_file.h"

namespace mervale {
namespace {

using Language = ProgramTest;
using enum CaptionTarget;

class LanguageLength : public Language, public ::testing::WithParamInterface<int> {};

TEST_P(LanguageLength, AFullTableSetsEveryCaptionFromItsLine) {
  WriteLanguage("Test", GetParam(), "t");
  StartUp();
  program.SelectMode(Mode::kCpu1);
  const std::size_t reactionsBefore = view.shownModes.size();
  program.SelectLanguage("Test");
  for (const CaptionStep& step : CaptionSteps()) {
    if (step.target == kModeItems) continue;
    EXPECT_EQ(view.captions[step.target], "t" + std::to_string(step.index))
        << static_cast<int>(step.target);
  }
  EXPECT_EQ(view.modeItems, (std::array<std::string, 5>{"t20", "t21", "t22", "t23", "t24"}));
  // One line names the second mode and the first tab alike.
  EXPECT_EQ(view.captions[kProfileTab], view.modeItems[1]);
  EXPECT_EQ(view.captions[kExclusionTab], view.captions[kExcludeItem]);
  EXPECT_EQ(view.captions.size(), CaptionSteps().size() - 1);
  // Lines after the first 42 are optional: a shorter file gives the English text for them.
  EXPECT_EQ(view.addedCaptionChanges, 2);  // start-up, then this choice
  for (int offset = 0; offset < kAddedCaptionCount; ++offset) {
    const auto caption = static_cast<AddedCaption>(offset);
    const int line = kLanguageTableLines + offset;
    EXPECT_EQ(program.Caption(caption),
              line < GetParam() ? "t" + std::to_string(line) : AddedCaptionText({}, caption))
        << offset;
  }
  // The current mode is selected again, which re-applies it.
  EXPECT_EQ(view.shownModes.size(), reactionsBefore + 1);
  EXPECT_EQ(program.CurrentMode(), Mode::kCpu1);
  EXPECT_EQ(ReadData("lang.ini"), "Test\r\n");
  // Where the logon entry is not Windows' own, the autostart box has a line of its own.
  system.SetAutostartIsWindowsRunValue(false);
  program.SelectLanguage("Test");
  EXPECT_EQ(view.captions[kAutostartBox], program.Caption(AddedCaption::kStartAtLoginBox));
  EXPECT_EQ(program.Caption(AddedCaption::kStartAtLoginBox),
            GetParam() > 58 ? "t58" : "Start at login");
}

INSTANTIATE_TEST_SUITE_P(Lines, LanguageLength, ::testing::Values(42, 50, 60));

class ShortLanguage : public Language, public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(ShortLanguage, ChangesNothingAndNamesTheFirstMissingLine) {
  const auto [lines, missing] = GetParam();
  WriteLanguage("Short", lines, "s");
  StartUp();
  program.SelectMode(Mode::kAutomatic);
  const auto captionsBefore = view.captions;
  const std::size_t shownBefore = view.shownModes.size();
  const int fillsBefore = view.modeItemFills;
  try {
    program.SelectLanguage("Short");
    FAIL() << "applied";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), ListIndexText(missing));
  }
  EXPECT_EQ(view.captions, captionsBefore);
  EXPECT_EQ(view.modeItemFills, fillsBefore);
  EXPECT_EQ(view.shownModes.size(), shownBefore);
  EXPECT_EQ(program.CurrentMode(), Mode::kAutomatic);
  EXPECT_EQ(ReadData("lang.ini"), "Short\r\n");
}

INSTANTIATE_TEST_SUITE_P(Lines, ShortLanguage,
                         ::testing::Values(std::pair{31, 31}, std::pair{10, 10}, std::pair{22, 22},
                                           std::pair{0, 0}, std::pair{41, 41}));

TEST_F(Language, ChangingItWithoutAModeRebuildsNothing) {
  WriteData("Settings.ini", Lines({"-1", "F", "F", "0", "1", "F"}));
  WriteLanguage("German", kLanguageTableLines, "de");
  StartUp();
  machine.ResetCalls();
  program.SelectLanguage("German");
  EXPECT_EQ(view.modeItems[0], "de20");
  EXPECT_EQ(program.CurrentMode(), std::nullopt);
  EXPECT_EQ(view.ModeReactions(), 0);
  EXPECT_EQ(machine.calls().snapshotsCreated, 0);
}

TEST_F(Language, ChangingItInAutomaticModeHandsOutCpusAgain) {
  StartUp();
  program.SelectMode(Mode::kAutomatic);
  EXPECT_EQ(machine.MaskOf(100), 1u);
  EXPECT_EQ(machine.MaskOf(200), 2u);
  EXPECT_EQ(machine.MaskOf(300), 1u);
  machine.ResetCalls();
  std::filesystem::remove(DataFile("Settings.ini"));
  program.SelectLanguage("English");
  // The counter went on from CPU 2, so every process moved once more.
  EXPECT_EQ(machine.MaskOf(100), 2u);
  EXPECT_EQ(machine.MaskOf(200), 1u);
  EXPECT_EQ(machine.MaskOf(300), 2u);
  EXPECT_EQ(program.Processes().RowCount(), 3);
  EXPECT_EQ(ReadData("Settings.ini"), Lines({"0", "F", "F", "0", "1", "F"}));
}

TEST_F(Language, TheStoredChoiceIsLoadedAtStartUp) {
  WriteLanguage("French", kLanguageTableLines, "fr");
  WriteData("lang.ini", Lines({"French", "ignored"}));
  StartUp();
  EXPECT_EQ(view.captions[kExitItem], "fr28");
  EXPECT_EQ(ReadData("lang.ini"), "French\r\n");
}

TEST_F(Language, AnUnknownNameFallsBackToEnglishButStaysChosen) {
  WriteData("lang.ini", Lines({"Klingon"}));
  StartUp();
  EXPECT_EQ(view.captions[kExitItem], "en28");
  EXPECT_EQ(ReadData("lang.ini"), "Klingon\r\n");
}

TEST_F(Language, AnEmptyChoiceFileStopsTheLanguage) {
  WriteData("lang.ini", "");
  program.PrepareData();
  try {
    program.LoadSettings();
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), ListIndexText(0));
  }
  EXPECT_TRUE(view.captions.empty());
  EXPECT_EQ(view.modeItemFills, 0);
  // Everything before the language was done.
  EXPECT_EQ(ReadData("Settings.ini"), Lines({"4", "F", "F", "0", "1", "F"}));
}

TEST_F(Language, WithoutEnglishAnUnknownNameChangesNoCaption) {
  StartUp();
  std::filesystem::remove(LanguageFile("English"));
  const auto captionsBefore = view.captions;
  EXPECT_THROW(program.SelectLanguage("Klingon"), Error);
  EXPECT_EQ(view.captions, captionsBefore);
  EXPECT_EQ(program.LanguageTable()[0], "en0");
  EXPECT_EQ(ReadData("lang.ini"), "Klingon\r\n");
}

TEST_F(Language, NamesAreTheFilesBesideTheProgram) {
  WriteLanguage("deutsch", 1, "x");
  testing::WriteBytes(temp / "bin/Languages/readme.doc", "");
  std::filesystem::create_directory(temp / "bin/Languages/old");
  EXPECT_EQ(program.LanguageNames(), (LineList{"deutsch", "English", "readme"}));
}

// The files that ship with the program.
TEST(ShippedLanguages, EachSetsEveryCaptionAndKeepsTheSeparators) {
  // Not found from __FILE__: a compiler cache may have made that path relative to the build.
  const std::filesystem::path directory = std::filesystem::path(MERVALE_SOURCE_DIR) / "Languages";
  const LineList names = ListLanguageFiles(directory.string());
  for (const char* shipped : {"English", "French", "German", "Spanish"}) {
    ASSERT_NE(std::ranges::find(names, shipped), names.end()) << shipped;
  }
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    LineList table;
    LoadLineList(table, (directory / (name + ".txt")).string());
    EXPECT_EQ(table.size(), static_cast<std::size_t>(kLanguageTableLines + kAddedCaptionCount));
    EXPECT_EQ(FirstMissingCaptionIndex(table), -1);
    for (const int separator : {14, 18, 25, 27}) EXPECT_EQ(table[separator], "-");
    EXPECT_EQ(table[7], "Profil 1");  // the selector's entries are never translated
    EXPECT_EQ(table[9], "  Mervale");
    for (const auto caption :
         {AddedCaption::kCoreItem, AddedCaption::kCacheDomainItem, AddedCaption::kNumaNodeItem,
          AddedCaption::kSetForSelectedButton, AddedCaption::kCpuCountToolTip}) {
      EXPECT_EQ(std::ranges::count(AddedCaptionText(table, caption), '%'), 1);
      EXPECT_NE(AddedCaptionText(table, caption).find("%d"), std::string::npos);
    }
    if (name != "English") continue;
    // The built-in texts are the English file's, so an older file shows the same English.
    for (int offset = 0; offset < kAddedCaptionCount; ++offset) {
      const auto caption = static_cast<AddedCaption>(offset);
      EXPECT_EQ(AddedCaptionText(table, caption), AddedCaptionText({}, caption)) << offset;
    }
  }
}

}  // namespace
}  // namespace mervale
