// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/set_menus.h"
#include "program_fixture.h"
#include "store/error.h"

namespace mervale {
namespace {

class ListsTest : public ProgramTest {
 protected:
  void SetUp() override {
    WriteData("CPU1_0.lst", Lines({"1000: alpha.exe", "0100: beta.exe", "x", "0011: gamma.exe"}));
    StartUp();
  }
  std::string SettingsLine(int index) const {
    return LineAt(SplitLines(ReadData("Settings.ini")), index);
  }
};

TEST_F(ListsTest, SwitchingLoadsTheProfileRebuildsAndSaves) {
  WriteData("CPU1_4.lst", Lines({"0010: gamma.exe"}));
  program.SelectMode(Mode::kManual);
  machine.ResetCalls();
  program.SelectProfile(4);
  EXPECT_EQ(view.profileList, LineList{"0010: gamma.exe"});
  EXPECT_EQ(program.Policy().profileList, LineList{"0010: gamma.exe"});
  EXPECT_EQ(machine.calls().snapshotsCreated, 1);
  EXPECT_EQ(machine.MaskOf(300), 4u);
  EXPECT_EQ(SettingsLine(3), "4");
}

TEST_F(ListsTest, SwitchingToAProfileWithoutFileEmptiesTheListAndCreatesNothing) {
  program.SelectProfile(7);
  EXPECT_TRUE(view.profileList.empty());
  EXPECT_EQ(program.Processes().RowCount(), 3);
  EXPECT_FALSE(std::filesystem::exists(DataFile("CPU1_7.lst")));
  EXPECT_EQ(SettingsLine(3), "7");
}

TEST_F(ListsTest, AFailedSwitchGoesBackToTheProfileStillShown) {
  MakeUnreadable(DataFile("CPU1_6.lst"));
  const LineList before = program.Policy().profileList;
  machine.ResetCalls();
  try {
    program.SelectProfile(6);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(std::string(error.what()).rfind("Datei " + DataFile("CPU1_6.lst"), 0), 0u);
  }
  EXPECT_EQ(program.ProfileIndex(), 0);
  EXPECT_EQ(view.profileIndex, 0);
  EXPECT_EQ(view.profileList, before);
  EXPECT_EQ(machine.calls().snapshotsCreated, 0);
  EXPECT_EQ(SettingsLine(3), "0");
  // A later save writes the profile it belongs to.
  program.DeleteProfileEntries({2});
  EXPECT_EQ(ReadData("CPU1_0.lst"),
            Lines({"1000: alpha.exe", "0100: beta.exe", "0011: gamma.exe"}));
}

TEST_F(ListsTest, DeleteRemovesTheSelectedEntriesAndSaves) {
  program.DeleteProfileEntries({3, 0, 0, 9});
  const LineList left{"0100: beta.exe", "x"};
  EXPECT_EQ(view.profileList, left);
  EXPECT_EQ(ReadData("CPU1_0.lst"), Lines(left));
  program.DeleteProfileEntries({0, 1});
  EXPECT_EQ(ReadData("CPU1_0.lst"), "");
}

TEST_F(ListsTest, DeleteWithNothingSelectedStillWrites) {
  program.SelectProfile(2);
  program.DeleteProfileEntries({});
  EXPECT_TRUE(std::filesystem::exists(DataFile("CPU1_2.lst")));
  EXPECT_EQ(ReadData("CPU1_2.lst"), "");
  program.DeleteExclusions({});
  EXPECT_EQ(ReadData("Skip.dat"), "");
}

TEST_F(ListsTest, ExclusionListLoadsAndDeletes) {
  WriteData("Skip.dat", Lines({"alpha.exe", "NotePad.exe", "beta.exe"}));
  FakeProgramView otherView;
  Program other(machine, system, otherView);
  other.PrepareData();
  other.LoadExclusionList();
  EXPECT_EQ(otherView.exclusionList, (LineList{"alpha.exe", "NotePad.exe", "beta.exe"}));
  other.DeleteExclusions({2, 0});
  EXPECT_EQ(otherView.exclusionList, LineList{"NotePad.exe"});
  EXPECT_EQ(ReadData("Skip.dat"), Lines({"NotePad.exe"}));
}

// An exclusion list whose file could not be read is not saved over it: each change reads the
// file again first, and keeps what it holds once it can be read.
TEST_F(ListsTest, AnUnreadableExclusionFileIsReadAgainBeforeAnyChange) {
  const struct {
    const char* change;
    std::function<void(Program&)> apply;
    LineList saved;
  } cases[] = {
      {"exclude", [](Program& p) { p.ExcludeSelected(); }, {"gamma.exe", "beta.exe"}},
      {"delete", [](Program& p) { p.DeleteExclusions({0}); }, {}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(DataFile("Skip.dat"));
    MakeUnreadable(DataFile("Skip.dat"));
    EXPECT_THROW(program.LoadExclusionList(), Error) << c.change;
    SelectRows({200});
    EXPECT_THROW(c.apply(program), Error) << c.change;
    LineList stillHeld;
    EXPECT_THROW(LoadLineList(stillHeld, DataFile("Skip.dat")), Error) << c.change;
    unreadable.clear();
    std::filesystem::remove(DataFile("Skip.dat"));
    WriteData("Skip.dat", Lines({"gamma.exe"}));
    c.apply(program);
    EXPECT_EQ(ReadData("Skip.dat"), Lines(c.saved)) << c.change;
  }
}

TEST_F(ListsTest, AddToListRecordsSavesAndApplies) {
  SelectRows({200});
  program.ApplySetToSelected(SetOf(CpuFlags{1, 1, 0, 1}), true);
  const LineList expected{"1000: alpha.exe", "x", "0011: gamma.exe", "1101: beta.exe"};
  EXPECT_EQ(view.profileList, expected);
  EXPECT_EQ(ReadData("CPU1_0.lst"), Lines(expected));
  EXPECT_EQ(machine.MaskOf(200), 11u);
}

// On two CPUs the profile's entry for gamma.exe names CPUs 3 and 4: the error box says so, with the
// entry, once however often the mode comes back to it.
TEST_F(ListsTest, AnEntryNamingMissingCpusIsShownOnceInTheErrorBox) {
  machine.SetCpuCount(2);
  program.SelectMode(Mode::kManual);
  program.SelectMode(Mode::kOff);
  program.SelectMode(Mode::kManual);
  EXPECT_EQ(view.errors,
            std::vector<std::string>{program.Caption(AddedCaption::kEntriesNamingMissingCpusText) +
                                     "\n0011: gamma.exe"});
  EXPECT_EQ(machine.MaskOf(300), 15u) << "keeps its set";
}

TEST_F(ListsTest, SetsWithoutListOnlyApply) {
  SelectRows({100, 300});
  program.ApplySetToSelected(SetOf(CpuFlags{0, 1, 1, 0}), false);
  EXPECT_EQ(machine.MaskOf(100), 6u);
  EXPECT_EQ(machine.MaskOf(300), 6u);
  EXPECT_EQ(machine.MaskOf(200), 15u);
  EXPECT_EQ(view.profileList.size(), 4u);
}

const LineList kStoredProfile{"1000: alpha.exe", "0100: beta.exe", "x", "0011: gamma.exe"};

// Every change of a list that cannot be saved leaves the list, in the window and for the modes, as
// it was, and so as its file holds it.
TEST_F(ListsTest, AFailedSaveShowsTheListAsItWas) {
  program.SelectMode(Mode::kManual);
  SelectRows({300});
  program.ExcludeSelected();
  std::filesystem::remove(DataFile("CPU1_0.lst"));
  std::filesystem::remove(DataFile("Skip.dat"));
  MakeUnwritable(DataFile("CPU1_0.lst"));
  MakeUnwritable(DataFile("Skip.dat"));
  const AffinityMask gammaMask = machine.MaskOf(300);
  EXPECT_THROW(program.ApplySetToSelected(SetOf(CpuFlags{0, 1, 0, 0}), true), Error);
  EXPECT_EQ(machine.MaskOf(300), gammaMask);  // not applied after the failed save
  EXPECT_THROW(program.DeleteProfileEntries({0}), Error);
  EXPECT_EQ(view.profileList, kStoredProfile);
  EXPECT_EQ(program.Policy().profileList, kStoredProfile);
  SelectRows({100});
  EXPECT_THROW(program.ExcludeSelected(), Error);
  EXPECT_THROW(program.DeleteExclusions({0}), Error);
  EXPECT_EQ(view.exclusionList, LineList{"gamma.exe"});
  EXPECT_EQ(program.Policy().exclusionList, LineList{"gamma.exe"});
  machine.AddProcess(400, "alpha.exe", 15);
  program.RefreshProcesses();
  EXPECT_EQ(machine.MaskOf(400), 1u);
}

TEST_F(ListsTest, ExcludeAddsLowerCasedNamesOnce) {
  machine.AddProcess(400, "Alpha.EXE", 15);
  program.RefreshProcesses();
  SelectRows({100, 400});
  machine.ResetCalls();
  program.ExcludeSelected();
  EXPECT_EQ(view.exclusionList, LineList{"alpha.exe"});
  EXPECT_EQ(ReadData("Skip.dat"), Lines({"alpha.exe"}));
  EXPECT_EQ(machine.calls().sets, 0);
}

using HandEditedExclusions = ProgramTest;

// Skip.dat written by hand in other letter cases still names the process: no mode touches it, and
// "Exclude" on it finds the line that is there.
TEST_F(HandEditedExclusions, CoverTheProcessInEveryModeAndAreNotAddedAgain) {
  WriteData("Skip.dat", Lines({"NotePad.exe"}));
  WriteData("CPU1_0.lst", Lines({"1000: notepad.exe"}));
  machine.AddProcess(400, "notepad.exe", 15);
  StartUp();
  for (const ModeTraits& mode : kModes) {
    program.SelectMode(mode.mode);
    EXPECT_EQ(machine.MaskOf(400), 15u) << mode.selectorCaption;
  }
  SelectRows({400});
  program.ExcludeSelected();
  EXPECT_EQ(view.exclusionList, LineList{"NotePad.exe"});
  EXPECT_EQ(ReadData("Skip.dat"), Lines({"NotePad.exe"}));
}

}  // namespace
}  // namespace mervale
