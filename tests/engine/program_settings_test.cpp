// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>

#include "engine/assignment_policy.h"
#include "program_fixture.h"
#include "store/error.h"
#include "store/line_list_file.h"

namespace mervale {
namespace {

using Settings = ProgramTest;

TEST_F(Settings, FirstStartWritesTheDefaultsAndChoosesEnglish) {
  StartUp();
  const std::string settings = ReadData("Settings.ini");
  EXPECT_EQ(settings, "4\r\nF\r\nF\r\n0\r\n1\r\nF\r\n");
  EXPECT_EQ(settings.size(), 18u);
  EXPECT_EQ(ReadData("lang.ini"), "English\r\n");
  EXPECT_EQ(program.CurrentMode(), Mode::kOff);
  EXPECT_TRUE(view.profileList.empty());
  EXPECT_EQ(program.RefreshIntervalMs(), 1000);
  EXPECT_EQ(view.captions[CaptionTarget::kExitItem], "en28");
  // Only the language's re-selection of the mode runs the reaction.
  EXPECT_EQ(view.ModeReactions(), 1);
  EXPECT_FALSE(std::filesystem::exists(DataFile("Skip.dat")));
}

TEST_F(Settings, WhatTheUserSetComesBackAtTheNextStart) {
  StartUp();
  program.SetQuadCore(true);
  program.SetStartMinimized(true);
  program.SetRefreshText("7");
  program.SelectMode(Mode::kAutomatic);
  program.SelectProfile(5);
  program.SetAutostart(true);
  const std::string saved = ReadData("Settings.ini");
  EXPECT_EQ(saved, Lines({"0", "T", "T", "5", "7", "T"}));

  FakeProgramView nextView;
  Program next(machine, system, nextView);
  std::vector<CpuSet> cyclesAtMode;
  nextView.onShowMode = [&](std::optional<Mode>) {
    cyclesAtMode.push_back(next.Policy().cycleCpus);
  };
  next.PrepareData();
  next.LoadExclusionList();
  next.LoadSettings();
  EXPECT_EQ(next.CurrentMode(), Mode::kAutomatic);
  EXPECT_EQ(next.ProfileIndex(), 5);
  EXPECT_TRUE(next.GetOptions().autostart);
  EXPECT_TRUE(next.GetOptions().startMinimized);
  EXPECT_EQ(next.GetOptions().cycle, CpuCycle::kFourCpus);
  EXPECT_EQ(next.GetOptions().refreshText, "7");
  EXPECT_EQ(next.RefreshIntervalMs(), 7000);
  EXPECT_EQ(next.Policy().cycleCpus, CpuSet::FirstCpus(4));
  // The mode was applied over the restored cycle each time.
  EXPECT_EQ(cyclesAtMode, std::vector<CpuSet>(cyclesAtMode.size(), CpuSet::FirstCpus(4)));
  EXPECT_EQ(ReadData("Settings.ini"), saved);
}

TEST_F(Settings, RestoreRunsTheNestedReactionsOnceEach) {
  WriteData("Settings.ini", Lines({"1", "F", "T", "3", "5", "T"}));
  WriteData("CPU1_3.lst", Lines({"0010: beta.exe", "0001: gamma.exe"}));
  std::vector<std::string> settingsAtReaction;
  view.onShowMode = [&](std::optional<Mode>) {
    settingsAtReaction.push_back(ReadData("Settings.ini"));
  };

  StartUp();

  EXPECT_EQ(program.CurrentMode(), Mode::kManual);
  EXPECT_FALSE(program.GetOptions().autostart);
  EXPECT_TRUE(program.GetOptions().startMinimized);
  EXPECT_EQ(program.GetOptions().cycle, CpuCycle::kFourCpus);
  EXPECT_EQ(program.Policy().cycleCpus, CpuSet::FirstCpus(4));
  EXPECT_EQ(view.profileIndex, 3);
  EXPECT_EQ(view.profileList, (LineList{"0010: beta.exe", "0001: gamma.exe"}));
  EXPECT_EQ(program.RefreshIntervalMs(), 5000);
  EXPECT_EQ(view.intervals, std::vector<int>{5000});
  // The mode reaches the running processes through the restored profile.
  EXPECT_EQ(machine.MaskOf(200), 4u);
  EXPECT_EQ(machine.MaskOf(300), 8u);
  EXPECT_EQ(machine.MaskOf(100), 15u);
  // One reaction while loading, one when the language is applied; neither finds the file
  // half-written.
  ASSERT_EQ(view.ModeReactions(), 2);
  EXPECT_EQ(settingsAtReaction[0], Lines({"1", "F", "T", "3", "5", "T"}));
  EXPECT_EQ(settingsAtReaction[1], Lines({"1", "F", "T", "3", "5", "T"}));
  EXPECT_EQ(machine.calls().snapshotsCreated, 3);  // rebuild, first refresh, rebuild
  EXPECT_EQ(ReadData("Settings.ini"), Lines({"1", "F", "T", "3", "5", "T"}));
  EXPECT_EQ(system.AutostartWriteCount(), 0);
}

struct FlagCase {
  std::string line;
  bool checked;
  friend void PrintTo(const FlagCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }
};

class AutostartLine : public Settings, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(AutostartLine, OnlyACapitalTAloneChecksTheBox) {
  WriteData("Settings.ini", Lines({"4", GetParam().line, "F", "0", "1", "F"}));
  StartUp();
  EXPECT_EQ(program.GetOptions().autostart, GetParam().checked);
  EXPECT_EQ(view.options.autostart, GetParam().checked);
  EXPECT_EQ(ReadData("Settings.ini"),
            Lines({"4", GetParam().checked ? "T" : "F", "F", "0", "1", "F"}));
  // Restoring the box never writes the logon entry.
  EXPECT_EQ(system.AutostartWriteCount(), 0);
  EXPECT_EQ(system.AutostartDeleteCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Variants, AutostartLine,
                         ::testing::Values(FlagCase{"T", true}, FlagCase{"t", false},
                                           FlagCase{"True", false}, FlagCase{"T ", false},
                                           FlagCase{"", false}));

struct ModeCase {
  std::string line;
  std::optional<Mode> mode;
  int reactions;  // during the load and at the language
  std::string savedLine;
  friend void PrintTo(const ModeCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }
};

class ModeLine : public Settings, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeLine, TheSelectorClampsAndReactsOnlyToAChange) {
  WriteData("Settings.ini", Lines({GetParam().line, "F", "F", "0", "1", "F"}));
  StartUp();
  EXPECT_EQ(program.CurrentMode(), GetParam().mode);
  EXPECT_EQ(view.ModeReactions(), GetParam().reactions);
  EXPECT_EQ(view.shownModes.empty() ? Mode::kOff : view.shownModes.back(), GetParam().mode);
  EXPECT_EQ(LineAt(SplitLines(ReadData("Settings.ini")), 0), GetParam().savedLine);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ModeLine,
    ::testing::Values(ModeCase{"0", Mode::kAutomatic, 2, "0"}, ModeCase{"4", Mode::kOff, 1, "4"},
                      ModeCase{"9", Mode::kOff, 1, "4"}, ModeCase{"-1", std::nullopt, 0, "-1"},
                      ModeCase{"-7", std::nullopt, 0, "-1"}, ModeCase{" 2", Mode::kCpu1, 2, "2"},
                      ModeCase{"3", Mode::kCpu2, 2, "3"}, ModeCase{"1", Mode::kManual, 2, "1"}));

TEST_F(Settings, NoModeSelectedMeansNoRebuildAtAll) {
  WriteData("Settings.ini", Lines({"-1", "F", "F", "0", "1", "F"}));
  StartUp();
  EXPECT_EQ(machine.calls().snapshotsCreated, 1);  // the first refresh only
  EXPECT_EQ(view.modeItemFills, 1);
  EXPECT_EQ(view.shownModes, std::vector<std::optional<Mode>>{std::nullopt});
}

class ProfileLine : public Settings, public ::testing::WithParamInterface<std::string> {};

TEST_P(ProfileLine, OutsideTheNineSelectsNoProfile) {
  const std::string file = "CPU1_" + GetParam() + ".lst";
  WriteData("Settings.ini", Lines({"4", "F", "F", GetParam(), "1", "F"}));
  WriteData(file, Lines({"1000: alpha.exe"}));
  StartUp();
  EXPECT_EQ(program.ProfileIndex(), -1);
  EXPECT_EQ(view.profileIndex, -1);
  // The first load named the file as written; the second finds no file for -1.
  EXPECT_EQ(view.profileList, LineList{"1000: alpha.exe"});
  EXPECT_EQ(LineAt(SplitLines(ReadData("Settings.ini")), 3), "-1");
  program.DeleteProfileEntries({});
  EXPECT_EQ(ReadData("CPU1_-1.lst"), Lines({"1000: alpha.exe"}));
  EXPECT_EQ(ReadData(file), Lines({"1000: alpha.exe"}));
}

INSTANTIATE_TEST_SUITE_P(Values, ProfileLine, ::testing::Values("9", "12"));

TEST_F(Settings, AProfileLineWithABlankNamesAnotherFileFirst) {
  WriteData("Settings.ini", Lines({"4", "F", "F", " 3", "1", "F"}));
  WriteData("CPU1_ 3.lst", Lines({"1000: odd.exe"}));
  WriteData("CPU1_3.lst", Lines({"0100: beta.exe"}));
  StartUp();
  EXPECT_EQ(program.ProfileIndex(), 3);
  EXPECT_EQ(view.profileList, LineList{"0100: beta.exe"});
  EXPECT_EQ(LineAt(SplitLines(ReadData("Settings.ini")), 3), "3");
}

TEST_F(Settings, LinesAfterTheSixthAreDropped) {
  WriteData("Settings.ini", Lines({"4", "F", "F", "0", "1", "F", "extra", "more"}));
  StartUp();
  EXPECT_EQ(ReadData("Settings.ini"), Lines({"4", "F", "F", "0", "1", "F"}));
}

std::string StoredValueFault(int line, const std::string& text) {
  return FileLineText("Settings.ini", line, text);
}

struct BadValuesCase {
  LineList lines;
  std::string faults;
  LineList savedAtChange;  // once the user sets the refresh rate to 9
  friend void PrintTo(const BadValuesCase& c, std::ostream* out) { *out << c.faults; }
};

class BadValues : public Settings, public ::testing::WithParamInterface<BadValuesCase> {};

// Each value that cannot be read keeps its default and is reported; the rest is restored and
// start-up goes on. The file stays until the user changes something, and then keeps what was read.
TEST_P(BadValues, OnlyTheseFallBackAndTheFileWaitsForTheUser) {
  const std::string stored = Lines(GetParam().lines);
  WriteData("Settings.ini", stored);
  WriteData("CPU1_0.lst", Lines({"1000: alpha.exe"}));
  try {
    StartUp();
    FAIL() << "nothing reported";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), GetParam().faults);
  }
  EXPECT_EQ(ReadData("Settings.ini"), stored);
  EXPECT_EQ(view.captions[CaptionTarget::kExitItem], "en28");
  EXPECT_GT(program.Processes().RowCount(), 0);
  EXPECT_EQ(system.AutostartWriteCount(), 0);
  program.SetRefreshText("9");
  EXPECT_EQ(ReadData("Settings.ini"), Lines(GetParam().savedAtChange));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadValues,
    ::testing::Values(
        BadValuesCase{{"Automatic", "F", "T", "3", "5", "T"},
                      StoredValueFault(1, InvalidIntegerText("Automatic")),
                      {"4", "F", "T", "3", "9", "T"}},
        BadValuesCase{
            {"1", "T", "T"}, StoredValueFault(4, ListIndexText(3)), {"1", "T", "T", "0", "9", "F"}},
        BadValuesCase{{}, StoredValueFault(1, ListIndexText(0)), {"4", "F", "F", "0", "9", "F"}},
        BadValuesCase{{"0", "T", "F", "two", "5", "T"},
                      StoredValueFault(4, InvalidIntegerText("two")),
                      {"0", "T", "F", "0", "9", "T"}},
        BadValuesCase{{"1.5", "T", "T", "", "", "T"},
                      StoredValueFault(1, InvalidIntegerText("1.5")) + ".\n" +
                          StoredValueFault(4, InvalidIntegerText("")) + ".\n" +
                          StoredValueFault(5, InvalidIntegerText("")),
                      {"4", "T", "T", "0", "9", "T"}}));

// The reported case: everything but the profile list is restored, its fault has a line of its own,
// and neither file is written over, at start-up nor at the user's first changes.
TEST_F(Settings, AnUnreadableProfileLosesOnlyItsList) {
  const std::string stored = Lines({"3", "T", "T", "3", "one", "T"});
  WriteData("Settings.ini", stored);
  MakeUnreadable(DataFile("CPU1_3.lst"));
  std::string profileFault;
  try {
    LineList entries;
    LoadLineList(entries, DataFile("CPU1_3.lst"));
  } catch (const Error& error) {
    profileFault = error.what();
  }
  ASSERT_FALSE(profileFault.empty());
  try {
    StartUp();
    FAIL() << "nothing reported";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(),
              ErrorBoxText(StoredValueFault(5, InvalidIntegerText("one"))) + "\n" + profileFault);
  }
  EXPECT_EQ(program.CurrentMode(), Mode::kCpu2);
  EXPECT_EQ(program.ProfileIndex(), 3);
  EXPECT_TRUE(program.GetOptions().startMinimized);
  EXPECT_EQ(program.GetOptions().cycle, CpuCycle::kFourCpus);
  EXPECT_EQ(ReadData("Settings.ini"), stored);

  SelectRows({200});
  EXPECT_THROW(program.ApplySetToSelected(SetOf(CpuFlags{1, 0, 0, 0}), true), Error);
  EXPECT_THROW(program.DeleteProfileEntries({0}), Error);
  // Neither change wrote over the file: it still cannot be read.
  LineList stillHeld;
  EXPECT_THROW(LoadLineList(stillHeld, DataFile("CPU1_3.lst")), Error);
  // Once the user lets it be read, a change keeps what it holds.
  unreadable.clear();
  std::filesystem::remove(DataFile("CPU1_3.lst"));
  WriteData("CPU1_3.lst", Lines({"0001: gamma.exe"}));
  program.ApplySetToSelected(SetOf(CpuFlags{1, 0, 0, 0}), true);
  EXPECT_EQ(ReadData("CPU1_3.lst"), Lines({"0001: gamma.exe", "1000: beta.exe"}));
  program.SelectMode(Mode::kCpu1);
  EXPECT_EQ(ReadData("Settings.ini"), Lines({"2", "T", "T", "3", "1", "T"}));
}

struct RefreshCase {
  std::string line;
  int intervalMs;
  bool readable;
  friend void PrintTo(const RefreshCase& c, std::ostream* out) { *out << '"' << c.line << '"'; }
};

class RefreshLine : public Settings, public ::testing::WithParamInterface<RefreshCase> {};

// A line that is no rate the timer can take is reported like any other value; the field shows the
// rate in force, and the file keeps the line until the user changes something.
TEST_P(RefreshLine, TheFieldShowsTheRateInForce) {
  const RefreshCase& rate = GetParam();
  WriteData("Settings.ini", Lines({"4", "F", "F", "0", rate.line, "F"}));
  std::string fault;
  try {
    StartUp();
  } catch (const Error& error) {
    fault = error.what();
  }
  EXPECT_EQ(fault, rate.readable ? "" : StoredValueFault(5, InvalidIntegerText(rate.line)));
  const std::string shown = rate.readable ? rate.line : "1";
  EXPECT_EQ(program.GetOptions().refreshText, shown);
  EXPECT_EQ(view.options.refreshText, shown);
  EXPECT_EQ(program.RefreshIntervalMs(), rate.intervalMs);
  EXPECT_EQ(view.intervals, std::vector<int>{rate.intervalMs});
  EXPECT_EQ(LineAt(SplitLines(ReadData("Settings.ini")), 4), rate.line);
  EXPECT_EQ(view.captions[CaptionTarget::kExitItem], "en28");  // start-up went on to the language
}

INSTANTIATE_TEST_SUITE_P(
    Rates, RefreshLine,
    ::testing::Values(RefreshCase{"5", 5000, true}, RefreshCase{"1", 1000, true},
                      RefreshCase{" 7", 7000, true}, RefreshCase{"0", 0, true},
                      RefreshCase{"", 1000, false}, RefreshCase{"one", 1000, false},
                      RefreshCase{"-2", 1000, false}, RefreshCase{"3000000", 1000, false}));

// Runs the test from a scratch current directory, so files that land there can be seen.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::filesystem::path& path)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::create_directories(path);
    std::filesystem::current_path(path);
  }
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;
  ~CurrentDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

TEST_F(Settings, WithoutADataDirectoryNothingIsWrittenAnywhere) {
  system.SetDataDir(std::nullopt);
  const CurrentDirectory scratch(temp.Path() / "cwd");
  program.PrepareData();  // start-up goes on to the tray icon
  std::string text;
  try {
    program.LoadExclusionList();
  } catch (const Error& error) {
    text = error.what();
  }
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("Datenverzeichnis"), std::string::npos);
  EXPECT_EQ(program.Policy().nextCpu, 1);

  const auto sameError = [&](const auto& action) {
    try {
      action();
    } catch (const Error& error) {
      return error.what() == text;
    }
    return false;
  };
  EXPECT_TRUE(sameError([&] { program.LoadSettings(); }));
  EXPECT_TRUE(sameError([&] { program.SaveSettings(); }));
  EXPECT_TRUE(sameError([&] { program.SelectMode(Mode::kAutomatic); }));
  EXPECT_TRUE(sameError([&] { program.SelectProfile(3); }));
  EXPECT_TRUE(sameError([&] { program.DeleteProfileEntries({}); }));
  EXPECT_TRUE(sameError([&] { program.DeleteExclusions({}); }));
  EXPECT_TRUE(sameError([&] { program.ExcludeSelected(); }));
  EXPECT_TRUE(sameError([&] { program.SelectLanguage("English"); }));
  EXPECT_TRUE(sameError([&] { program.SetQuadCore(true); }));
  EXPECT_EQ(program.ProfileIndex(), 0);  // the switch went back

  EXPECT_TRUE(system.CreatedDirectories().empty());
  EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::current_path()));
  EXPECT_FALSE(std::filesystem::exists(temp / "data"));
}

}  // namespace
}  // namespace mervale
