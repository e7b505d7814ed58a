// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace mervale {
namespace {

using Machine = FakeProcessPlatform;
using enum Mode;

void Switch(AffinityEngine& engine, Mode mode) {
  engine.Policy().mode = mode;
  engine.ClearProcesses();
  engine.RebuildProcesses();
}

// Process 1, "parent", starts on CPUs 1 to 4; the change may start others.
struct RestoreCase {
  const char* name;
  bool all;              // "Restore all CPUs", else "Restore CPUs" on process 1
  const char* expected;  // the CPU column, rows by name
  void (*change)(Machine&, AffinityEngine&);
};

class Restore : public EngineTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(Restore, GivesTheFirstSetBackToWhatTheEngineChanged) {
  machine.SetCpuCount(4);
  machine.AddProcess(1, "parent", 15);
  engine.RefreshProcesses();
  GetParam().change(machine, engine);
  Select(1);
  GetParam().all ? engine.RestoreAll() : engine.RestoreSelected();
  std::string column;  // read afresh from the processes, so the table shows the result at once
  for (int row = 0; row < table().RowCount(); ++row)
    column += (row > 0 ? " " : "") + table().RowAt(row).maskText;
  EXPECT_EQ(column, GetParam().expected);
  if (GetParam().all) {
    EXPECT_EQ(engine.RememberedCount(), 0u) << "nothing left to give back";
  }
}

const RestoreCase kCases[] = {
    {"ModesKeepTheFirstSet", true, "1111",
     [](Machine&, AffinityEngine& e) { Switch(e, kCpu1), Switch(e, kCpu2), Switch(e, kOff); }},
    {"IsolateSelectedOnly", false, "1111 0100",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "x", 15), e.RefreshProcesses(), e.Table().SetSelected(0, true), e.Isolate();
     }},
    {"MenuSetChangedSince", false, "1111",
     [](Machine& m, AffinityEngine& e) {
       e.Table().SelectAll(), e.ApplyToSelected(3), m.SetMaskFromOutside(1, 2);
     }},
    // A PID that ended before a mode change (2) or a pass (1), taken by a new process.
    {"GoneAndTaken", true, "0011 0011",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "x", 15), Switch(e, kCpu1), m.RemoveProcess(2), Switch(e, kOff);
       m.AddProcess(2, "new", 12), m.RemoveProcess(1), e.RefreshProcesses();
       m.AddProcess(1, "new", 12), e.RefreshProcesses();
     }},
    {"ChildrenInheritingOurSetOrNot", true, "1111 0010 1111",
     [](Machine& m, AffinityEngine& e) {
       Switch(e, kCpu1), Switch(e, kOff), m.AddProcess(2, "a", 1), m.AddProcess(3, "b", 4);
       m.SetParent(2, 1), m.SetParent(3, 1), e.RefreshProcesses();
     }},
    // The latest set given is the one a child inherits: CPU 2's, not CPU 1's.
    {"ChildAfterTwoModes", true, "1111 1111",
     [](Machine& m, AffinityEngine& e) {
       Switch(e, kCpu1), Switch(e, kCpu2), Switch(e, kOff), m.AddProcess(2, "a", 2);
       m.SetParent(2, 1), e.RefreshProcesses();
     }},
    // Given back and forgotten: another tool's set after that is not ours to undo.
    {"RestoredThenMovedByAnother", true, "0100",
     [](Machine& m, AffinityEngine& e) {
       Switch(e, kCpu1), e.Table().SelectAll(), e.RestoreSelected(), m.SetMaskFromOutside(1, 2);
     }},
    // A set that changed nothing (2 was on CPU 1 already) leaves nothing to give back.
    {"UnchangedSetNotOurs", true, "1111 0010",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "x", 1), Switch(e, kCpu1), m.SetMaskFromOutside(2, 4);
     }},
    // PID 2 ended and was taken since the latest pass: Restore all looks before it gives back.
    {"TakenSinceTheLastPass", true, "0011 1111",
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "x", 15), Switch(e, kCpu1), Switch(e, kOff), m.RemoveProcess(2);
       m.AddProcess(2, "new", 12);
     }},
};
INSTANTIATE_TEST_SUITE_P(Changes, Restore, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mervale
