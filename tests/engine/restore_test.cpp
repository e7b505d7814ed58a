#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace mervale {
namespace {

using Machine = FakeProcessPlatform;

void Switch(AffinityEngine& engine, Mode mode) {
  engine.Policy().mode = mode;
  engine.ClearProcesses();
  engine.RebuildProcesses();
}

// Process 1 starts on CPUs 1 to 4; the change may start process 2, a child of it.
struct RestoreCase {
  const char* name;
  bool all;  // "Restore all CPUs", else "Restore CPUs" on row 1
  AffinityMask expected1, expected2;
  std::size_t stillRemembered;
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
  EXPECT_EQ(machine.MaskOf(1), GetParam().expected1);
  EXPECT_EQ(machine.MaskOf(2), GetParam().expected2);
  EXPECT_EQ(table().FindRow(1)->maskText, MaskToText(machine.MaskOf(1))) << "shown at once";
  EXPECT_EQ(engine.RememberedCount(), GetParam().stillRemembered);
}

void Started(Machine& machine, AffinityEngine& engine, AffinityMask mask) {
  machine.AddProcess(2, "child", mask);
  machine.SetParent(2, 1);
  engine.RefreshProcesses();
}

using enum Mode;
const RestoreCase kCases[] = {
    {"ModesKeepTheFirstSet", true, 15, 0, 0,
     [](Machine&, AffinityEngine& e) { Switch(e, kCpu1), Switch(e, kCpu2), Switch(e, kOff); }},
    {"IsolateSelectedRowOnly", false, 15, 2, 1,
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(2, "x", 15), e.RefreshProcesses(), e.Table().SetSelected(0, true), e.Isolate();
     }},
    {"MenuSet", false, 15, 0, 0,
     [](Machine&, AffinityEngine& e) { e.Table().SelectAll(), e.ApplyToSelected(3); }},
    {"ChangedSince", true, 15, 0, 0,
     [](Machine& m, AffinityEngine& e) { Switch(e, kCpu1), m.SetMaskFromOutside(1, 2); }},
    {"GoneBetweenPasses", true, 12, 0, 0,
     [](Machine& m, AffinityEngine& e) {
       Switch(e, kCpu1), Switch(e, kOff), m.RemoveProcess(1), e.RefreshProcesses();
       m.AddProcess(1, "new", 12), e.RefreshProcesses();
     }},
    {"GoneBeforeAModeChange", true, 12, 0, 0,
     [](Machine& m, AffinityEngine& e) {
       m.AddProcess(3, "x", 15), Switch(e, kCpu1), m.RemoveProcess(1), Switch(e, kOff);
       m.AddProcess(1, "new", 12), e.RefreshProcesses();
     }},
    {"ChildInheritedOurSet", true, 15, 15, 0,
     [](Machine& m, AffinityEngine& e) { Switch(e, kCpu1), Switch(e, kOff), Started(m, e, 1); }},
    {"ChildWithItsOwnSet", true, 15, 4, 0,
     [](Machine& m, AffinityEngine& e) { Switch(e, kCpu1), Switch(e, kOff), Started(m, e, 4); }},
};
INSTANTIATE_TEST_SUITE_P(Changes, Restore, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace mervale
