// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "engine/cpu_set.h"
#include "engine_fixture.h"

namespace mervale {
namespace {

using Refresh = EngineTest;

TEST_F(Refresh, NewProcessesGetRowsWithTheirMaskAfterTheModeWasApplied) {
  machine.AddProcess(10, "b.exe", 3);
  machine.AddProcess(11, "a.exe", 3);
  policy().mode = Mode::kCpu2;
  engine.RefreshProcesses();
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.exe", "b.exe"}));
  EXPECT_EQ(table().RowAt(0).maskText, "0100");
  EXPECT_EQ(table().RowAt(0).pidText, "11");
  EXPECT_TRUE(engine.IsKnownPid(10));
  EXPECT_EQ(machine.MaskOf(10), 2u);
}

TEST_F(Refresh, TwoPassesOverAnUnchangedSystemApplyNothingAndReadNoNames) {
  for (Pid pid = 1; pid <= 5; ++pid) machine.AddProcess(pid, "p" + std::to_string(pid), 3);
  policy().mode = Mode::kAutomatic;
  engine.RefreshProcesses();
  const auto rowsAfterFirst = RowPids();
  machine.ResetCalls();
  engine.RefreshProcesses();
  engine.RefreshProcesses();
  EXPECT_EQ(RowPids(), rowsAfterFirst);
  EXPECT_EQ(machine.calls().sets, 0);
  EXPECT_EQ(machine.calls().namesRead, 0);
  EXPECT_EQ(machine.calls().snapshotsCreated, 2) << "one snapshot per pass, none per process";
  EXPECT_EQ(machine.calls().gets, 10) << "one mask read per known process";
}

TEST_F(Refresh, StartingAndEndingProcessesAreFollowedAtTheNextPass) {
  machine.AddProcess(1, "a", 3);
  machine.AddProcess(2, "b", 3);
  engine.RefreshProcesses();
  machine.RemoveProcess(1);
  machine.AddProcess(3, "c", 1);
  policy().mode = Mode::kCpu1;
  engine.RefreshProcesses();
  EXPECT_EQ(RowPids(), (std::vector<Pid>{2, 3}));
  EXPECT_FALSE(engine.IsKnownPid(1));
  EXPECT_EQ(SetMasksFor(2), std::vector<AffinityMask>{}) << "known processes keep their set";
  EXPECT_EQ(SetMasksFor(3), std::vector<AffinityMask>{1});
}

TEST_F(Refresh, AReusedPidIsANewProcessWhereThePlatformTellsStartTimes) {
  struct Case {
    bool tellsStartTimes;
    const char* name;
    const char* maskText;
    std::vector<AffinityMask> sets;
  };
  for (const Case& c : {Case{true, "new.exe", "0100", {2}}, Case{false, "old.exe", "1000", {}}}) {
    FakeProcessPlatform machine(2);
    CountingReporter reporter;
    AffinityEngine engine(machine, reporter);
    machine.TellStartTimes(c.tellsStartTimes);
    machine.AddProcess(6, "other.exe", 3);
    machine.AddProcess(7, "old.exe", 3);
    engine.RefreshProcesses();
    machine.RemoveProcess(7);
    machine.AddProcess(7, "new.exe", 1);
    engine.Policy().mode = Mode::kCpu2;
    engine.RefreshProcesses();
    ASSERT_EQ(engine.Table().RowCount(), 2) << c.name;
    const ProcessRow* row = engine.Table().FindRow(7);
    ASSERT_NE(row, nullptr) << c.name;
    EXPECT_EQ(row->name, c.name);
    EXPECT_EQ(row->maskText, c.maskText);
    std::vector<AffinityMask> sets;
    for (const auto& attempt : machine.calls().setLog) sets.push_back(attempt.mask);
    EXPECT_EQ(sets, c.sets) << c.name;
  }
}

TEST_F(Refresh, MasksOutsideTheOnlineCpusGiveNoRowAndNoModeEverWhileKnown) {
  struct Case {
    AffinityMask mask;
    const char* what;
  };
  for (const Case& c :
       {Case{0, "unreadable"}, Case{0x100, "CPU 9 of 8"}, Case{0x1FF, "nine CPUs of 8"}}) {
    FakeProcessPlatform wide(8);
    CountingReporter reporter;
    AffinityEngine engine(wide, reporter);
    engine.Policy().mode = Mode::kCpu1;
    wide.AddProcess(5, "x", c.mask);
    engine.RefreshProcesses();
    EXPECT_EQ(engine.Table().RowCount(), 0) << c.what;
    EXPECT_TRUE(engine.IsKnownPid(5)) << c.what;
    wide.SetMaskFromOutside(5, 3);
    engine.RefreshProcesses();
    EXPECT_EQ(engine.Table().RowCount(), 0) << c.what << ": no row while the PID stays known";
    EXPECT_EQ(wide.calls().sets, 0) << c.what;
  }
}

TEST_F(Refresh, KnownRowFollowsOutsideChangesAndShowsZerosOutOfRange) {
  machine.AddProcess(1, "a", 3);
  engine.RefreshProcesses();
  machine.SetMaskFromOutside(1, 2);
  engine.RefreshProcesses();
  EXPECT_EQ(table().RowAt(0).maskText, "0100");
  machine.SetMaskFromOutside(1, 0);
  engine.RefreshProcesses();
  EXPECT_EQ(table().RowAt(0).maskText, "0000");
}

TEST_F(Refresh, ProcessThatCannotBeOpenedIsKnownWithoutRowUntilARebuild) {
  machine.AddProcess(1, "locked", 3);
  machine.RefuseRead(1);
  engine.RefreshProcesses();
  EXPECT_EQ(table().RowCount(), 0);
  EXPECT_TRUE(engine.IsKnownPid(1));
  EXPECT_EQ(machine.calls().namesRead, 0) << "no row, so no name needed";
}

TEST_F(Refresh, OwnProcessIsNamedMervale) {
  machine.AddProcess(machine.CurrentPid(), "mervale-binary", 3);
  engine.RefreshProcesses();
  ASSERT_EQ(table().RowCount(), 1);
  EXPECT_EQ(table().RowAt(0).name, "Mervale");
}

TEST_F(Refresh, AProcessWhoseNameCannotBeHadIsUnkown) {
  machine.AddProcess(1, "", 3);
  engine.RefreshProcesses();
  EXPECT_EQ(Names(), std::vector<std::string>{"unkown"});
}

TEST_F(Refresh, LineBreaksInANameCannotReachTheListFiles) {
  machine.AddProcess(1, "x\nsshd", 3);
  machine.AddProcess(2, "y\r", 3);
  engine.RefreshProcesses();
  EXPECT_EQ(Names(), (std::vector<std::string>{"x?sshd", "y?"}));
}

TEST_F(Refresh, SnapshotFailureReportsAndChangesNothing) {
  machine.AddProcess(1, "a", 3);
  engine.RefreshProcesses();
  machine.FailSnapshots(FakeProcessPlatform::kAccessDenied);
  engine.RefreshProcesses();
  engine.RebuildProcesses();
  EXPECT_EQ(reporter.failures, 2);
  EXPECT_EQ(RowPids(), std::vector<Pid>{1});
  EXPECT_TRUE(engine.IsKnownPid(1));
}

TEST_F(Refresh, AnEmptyListingEmptiesOnRefreshButIsAFailureOnRebuild) {
  machine.AddProcess(1, "a", 3);
  engine.RefreshProcesses();
  machine.RemoveProcess(1);
  engine.RebuildProcesses();
  EXPECT_EQ(reporter.failures, 1);
  EXPECT_EQ(RowPids(), std::vector<Pid>{1});
  EXPECT_TRUE(engine.IsKnownPid(1));

  engine.RefreshProcesses();
  EXPECT_EQ(reporter.failures, 1) << "a refresh says nothing";
  EXPECT_EQ(table().RowCount(), 0);
  EXPECT_EQ(engine.KnownPidCount(), 0u);
}

TEST_F(Refresh, RebuildAfterClearAppliesTheModeToEveryProcessAgain) {
  machine.AddProcess(1, "a", 3);
  machine.AddProcess(2, "b", 3);
  engine.RefreshProcesses();
  policy().mode = Mode::kCpu1;
  engine.ClearProcesses();
  engine.RebuildProcesses();
  EXPECT_EQ(SetMasksFor(1), std::vector<AffinityMask>{1});
  EXPECT_EQ(SetMasksFor(2), std::vector<AffinityMask>{1});
  EXPECT_EQ(RowPids(), (std::vector<Pid>{1, 2}));
  EXPECT_EQ(table().RowAt(1).maskText, "1000");
}

TEST_F(Refresh, RefusedSetShowsTheRealMask) {
  machine.AddProcess(1, "a", 3);
  machine.RefuseSet(1);
  policy().mode = Mode::kCpu2;
  engine.RefreshProcesses();
  EXPECT_EQ(SetMasksFor(1), std::vector<AffinityMask>{2});
  EXPECT_EQ(table().RowAt(0).maskText, "1100");
}

}  // namespace
}  // namespace mervale
