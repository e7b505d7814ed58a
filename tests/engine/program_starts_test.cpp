// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine_fixture.h"
#include "program_fixture.h"

namespace mervale {
namespace {

using ProgramStarts = EngineTest;
using Machine = FakeProcessPlatform;

struct StartCase {
  const char* what;
  Mode mode;
  AffinityMask maskAtStart;
  std::vector<std::string> exclusions;
  std::vector<AffinityMask> expectedSets;
  std::optional<std::string> expectedMaskText;  // nullopt: no row
};

TEST_F(ProgramStarts, AStartedProcessIsTreatedAsAPassWouldTreatANewOne) {
  const StartCase cases[] = {
      {"mode applied at once", Mode::kCpu2, 3, {}, {2}, "0100"},
      {"excluded name keeps its set", Mode::kCpu2, 3, {"tool"}, {}, "1100"},
      {"unreadable mask: no row, no mode", Mode::kCpu2, 0, {}, {}, std::nullopt},
      {"mask beyond CPU 4: no row, no mode", Mode::kCpu1, 0x30, {}, {}, std::nullopt},
  };
  for (const StartCase& c : cases) {
    SCOPED_TRACE(c.what);
    FakeProcessPlatform fresh{4};
    AffinityEngine events{fresh, reporter};
    events.Policy().mode = c.mode;
    events.Policy().exclusionList = c.exclusions;
    fresh.AddProcess(1, "init", 1);
    events.RefreshProcesses();
    fresh.AddProcess(20, "tool", c.maskAtStart);
    if (c.maskAtStart == 0) fresh.RefuseRead(20);
    fresh.ResetCalls();

    const std::vector<Pid> started{20};
    events.ProgramsStarted(started);
    std::vector<AffinityMask> sets;
    for (const auto& attempt : fresh.calls().setLog) sets.push_back(attempt.mask);
    EXPECT_EQ(sets, c.expectedSets);
    EXPECT_TRUE(events.IsKnownPid(20));
    const ProcessRow* row = events.Table().FindRow(20);
    ASSERT_EQ(row != nullptr, c.expectedMaskText.has_value());
    if (row != nullptr) {
      EXPECT_EQ(row->maskText, *c.expectedMaskText);
    }

    // The next pass knows the process: no second mode, the row stays as it is.
    fresh.ResetCalls();
    events.RefreshProcesses();
    EXPECT_EQ(fresh.calls().sets, 0);
    EXPECT_EQ(events.Table().FindRow(20) != nullptr, c.expectedMaskText.has_value());
  }
}

TEST_F(ProgramStarts, AProgramRunFromAShellGetsTheEntryOfItsOwnName) {
  policy().mode = Mode::kManual;
  policy().profileList = {"1000: sh", "0100: sleep"};
  machine.AddProcess(30, "sh", 3);
  engine.RefreshProcesses();  // the shell is seen before it runs its program
  ASSERT_EQ(SetMasksFor(30), std::vector<AffinityMask>{1});

  machine.RunProgram(30, "sleep");
  const std::vector<Pid> started{30};
  engine.ProgramsStarted(started);
  engine.ShowStartedRows();
  EXPECT_EQ(SetMasksFor(30), (std::vector<AffinityMask>{1, 2}));
  EXPECT_EQ(Names(), std::vector<std::string>{"sleep"});
  EXPECT_EQ(table().FindRow(30)->maskText, "0100");
}

// Each look asks about the newest processes and a slice of the others: a program run by the one
// started last (here under a low PID, as after the count wrapped) is found at the first look, one
// run by the oldest within a slice's worth of looks.
TEST_F(ProgramStarts, AmongManyProcessesAnExecIsFoundWithinASliceOfLooks) {
  for (const auto& [runner, looks] :
       {std::pair<Pid, Pid>{3, 1}, {100, AffinityEngine::kLookSlices}}) {
    SCOPED_TRACE(runner);
    Machine many{2};
    AffinityEngine looking{many, reporter};
    for (Pid pid = 100; pid < 140; ++pid) many.AddProcess(pid, "sh", 3);
    many.AddProcess(3, "sh", 3);
    looking.RefreshProcesses();
    many.RunProgram(runner, "sleep");
    for (Pid look = 0; look < looks; ++look) looking.LookForProgramChanges();
    const ProcessRow* row = looking.Table().FindRow(runner);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->name, "sleep");
  }
}

TEST_F(ProgramStarts, AProcessNamedTwiceInABatchCountsOnceUnderItsLatestProgram) {
  policy().mode = Mode::kManual;
  policy().profileList = {"1000: sh", "0100: sleep"};
  machine.AddProcess(40, "sleep", 3);
  const std::vector<Pid> started{40, 40};
  engine.ProgramsStarted(started);
  engine.ShowStartedRows();
  EXPECT_EQ(SetMasksFor(40), std::vector<AffinityMask>{2});
  EXPECT_EQ(RowPids(), std::vector<Pid>{40});
}

TEST_F(ProgramStarts, AutomaticModeDealsCpusInTheOrderOfTheStarts) {
  policy().mode = Mode::kAutomatic;
  for (Pid pid : {52, 51, 53}) machine.AddProcess(pid, "p", 3);
  const std::vector<Pid> started{52, 51, 53, 51};
  engine.ProgramsStarted(started);
  EXPECT_EQ(SetMasksFor(52), std::vector<AffinityMask>{1});
  EXPECT_EQ(SetMasksFor(53), std::vector<AffinityMask>{2});
  EXPECT_EQ(SetMasksFor(51), std::vector<AffinityMask>{1});
}

TEST_F(ProgramStarts, AStartedProcessThatEndedLosesItsRowAtTheNextPass) {
  machine.AddProcess(60, "brief", 3);
  const std::vector<Pid> started{60};
  engine.ProgramsStarted(started);
  engine.ShowStartedRows();
  ASSERT_EQ(table().RowCount(), 1);
  machine.RemoveProcess(60);
  engine.RefreshProcesses();
  EXPECT_EQ(table().RowCount(), 0);
  EXPECT_FALSE(engine.IsKnownPid(60));
}

TEST_F(ProgramStarts, PassesWhileHiddenReadOnlyNewMasksAndShowingCatchesUp) {
  machine.AddProcess(70, "a", 3);
  machine.AddProcess(71, "b", 3);
  engine.RefreshProcesses();
  engine.FollowKnownMasks(false);
  machine.SetMaskFromOutside(70, 1);
  machine.AddProcess(72, "c", 3);
  machine.ResetCalls();
  engine.RefreshProcesses();
  EXPECT_EQ(machine.calls().gets, 2) << "the new process's mask, before and after its mode";
  EXPECT_EQ(table().FindRow(70)->maskText, "1100");
  EXPECT_EQ(table().RowCount(), 3) << "known rows stay while hidden";

  engine.FollowKnownMasks(true);
  engine.RefreshProcesses();
  EXPECT_EQ(table().FindRow(70)->maskText, "1000");
}

// Process 1, "sh", runs on CPUs 1 to 4 in mode CPU 1 and was seen by a pass; each scenario goes
// on from there. A start source hands over each new PID and, for a known process that may run
// another program, looks at every known one.
struct StartScenario {
  const char* name;
  void (*script)(Machine&, AffinityEngine&);
  const char* expected;  // the rows in table order: name, CPU column, "*" when selected
};

void GiveByHand(AffinityEngine& engine, Pid pid, const AffinityMask& mask) {
  const Pid pids[] = {pid};
  engine.Table().SelectOnly(pids);
  engine.ApplyToSelected(mask);
}

void Hint(AffinityEngine& engine, std::vector<Pid> pids) {
  engine.ProgramsStarted(pids);
  engine.LookForProgramChanges();
  engine.ShowStartedRows();
}

void RestoreEveryRow(AffinityEngine& engine) {
  engine.Table().SelectAll();
  engine.RestoreSelected();
}

class StartScenarios : public EngineTest, public ::testing::WithParamInterface<StartScenario> {};

TEST_P(StartScenarios, OnlyANewProcessOrAnotherProgramTakesTheMode) {
  machine.SetCpuCount(4);
  policy().mode = Mode::kCpu1;
  machine.AddProcess(1, "sh", 15);
  engine.RefreshProcesses();
  GetParam().script(machine, engine);
  std::string rows;
  for (int i = 0; i < table().RowCount(); ++i) {
    const ProcessRow& row = table().RowAt(i);
    rows += (i > 0 ? ", " : "") + row.name + " " + row.maskText + (row.selected ? "*" : "");
  }
  EXPECT_EQ(rows, GetParam().expected);
}

const StartScenario kStartScenarios[] = {
    {"ForkSeenByAPassThenAStartElsewhere",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "sh", 1), m.SetParent(2, 1), e.RefreshProcesses(), GiveByHand(e, 2, 2);
       m.AddProcess(3, "true", 15), Hint(e, {2, 3});
     },
     "sh 1000, sh 0100*, true 1000"},
    {"RenamedProgramFile",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "mysleep", 15), e.RefreshProcesses(), GiveByHand(e, 2, 2);
       m.Rename(2, "mysleep.old"), Hint(e, {});
     },
     "mysleep 0100*, sh 1000"},
    {"NameGivenByAProcessThatHidesItsExecutable",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "agent", 15), m.HideExecutable(2), e.RefreshProcesses(), GiveByHand(e, 2, 2);
       m.Rename(2, "agent: idle"), Hint(e, {});
     },
     "agent 0100*, sh 1000"},
    {"ExecByAProcessThatHidesItsExecutable",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "sudo", 15), m.HideExecutable(2), e.RefreshProcesses(), GiveByHand(e, 2, 2);
       m.RunProgram(2, "make"), m.HideExecutable(2), Hint(e, {});
     },
     "make 1000, sh 1000"},
    {"PidReusedWithANewStartTime",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "sh", 15), e.RefreshProcesses(), GiveByHand(e, 2, 2);
       m.RemoveProcess(2), m.AddProcess(2, "sh", 12), Hint(e, {2}), RestoreEveryRow(e);
     },
     "sh 1111*, sh 0011*"},
    {"ExecBetweenTheLastLookAndAMenuAction",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "sh", 15), e.RefreshProcesses(), m.RunProgram(2, "sleep");
       GiveByHand(e, 2, 2), Hint(e, {});
     },
     "sh 1000, sleep 1000"},
    // A subshell started the child and ended: the child belongs to init now.
    {"OrphanedChildIsGivenItsStartersSetBack",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "sleep", 1), m.SetParent(2, 99), Hint(e, {2}), RestoreEveryRow(e);
     },
     "sh 1111*, sleep 1111*"},
    {"ProcessOnThatSetSinceBeforeItWasGivenIsNoChild",
     [](Machine& m, AffinityEngine& e) {
       e.Policy().mode = Mode::kOff, e.RestoreAll(), m.AddProcess(2, "pinned", 1);
       e.Policy().mode = Mode::kCpu1, e.ClearProcesses(), e.RebuildProcesses(), e.RestoreAll();
     },
     "pinned 1000, sh 1111"},
    {"EndedProcessLeavesAtTheNextLookWithoutAPass",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "brief", 15), Hint(e, {2}), m.RemoveProcess(2), Hint(e, {});
     },
     "sh 1000"},
};
INSTANTIATE_TEST_SUITE_P(Starts, StartScenarios, ::testing::ValuesIn(kStartScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

using TableVisibility = ProgramTest;

TEST_F(TableVisibility, ShowingTheTableBringsItsCpuColumnUpToDateAtOnce) {
  StartUp();
  program.SetTableShown(false);
  machine.SetMaskFromOutside(100, 4);
  program.RefreshProcesses();
  const auto maskText = [&] { return program.Processes().FindRow(100)->maskText; };
  EXPECT_EQ(maskText(), "1111");
  program.SetTableShown(true);
  EXPECT_EQ(maskText(), "0010");
}

}  // namespace
}  // namespace mervale
