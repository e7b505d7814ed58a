// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include "engine/set_menus.h"
#include "engine_fixture.h"

namespace mervale {
namespace {

using Actions = EngineTest;

TEST_F(Actions, NothingSelected) {
  machine.AddProcess(1, "a", 3);
  engine.RefreshProcesses();
  machine.ResetCalls();
  engine.ApplyToSelected(SetOf(CpuFlags{1, 0, 0, 0}));
  EXPECT_EQ(machine.calls().sets, 0);
  EXPECT_EQ(machine.calls().snapshotsCreated, 1) << "still refreshes";

  policy().profileList = {"1000: z"};
  engine.AddSelectedToProfile(SetOf(CpuFlags{1, 0, 0, 0}));
  EXPECT_EQ(policy().profileList, LineList{"1000: z"});
  engine.Exclude();
  EXPECT_EQ(policy().exclusionList, LineList{});
}

TEST_F(Actions, AddToListReplacesEarlierEntriesOfTheNameAndPrefixes) {
  machine.SetCpuCount(4);
  machine.AddProcess(1, "note", 3);
  engine.RefreshProcesses();
  Select(1);
  policy().profileList = {"1000: notepad.exe", "0011:note", "0100: note", "1111: other"};
  engine.AddSelectedToProfile(SetOf(CpuFlags{1, 1, 0, 1}));
  EXPECT_EQ(policy().profileList, (LineList{"0011:note", "1111: other", "1101: note"}));
  engine.AddSelectedToProfile(SetOf(CpuFlags{1, 0, 0, 0}));
  EXPECT_EQ(policy().profileList.back(), "1000: note");
  EXPECT_EQ(policy().profileList.size(), 3u);
  machine.SetCpuCount(2);  // a set naming CPU 3 could never be applied: nothing is recorded
  engine.AddSelectedToProfile(SetOf(CpuFlags{1, 0, 1, 0}));
  EXPECT_EQ(policy().profileList.back(), "1000: note");
}

TEST_F(Actions, ExplicitSetsMoveExcludedProcessesButIsolateDoesNot) {
  machine.SetCpuCount(4);
  machine.AddProcess(1, "Excluded.exe", 15);
  machine.AddProcess(2, "free", 15);
  engine.RefreshProcesses();
  policy().exclusionList = {"excluded.exe"};
  Select(1);
  engine.ApplyToSelected(SetOf(CpuFlags{0, 1, 0, 0}));
  EXPECT_EQ(machine.MaskOf(1), 2u);
  EXPECT_EQ(table().FindRow(1)->maskText, "0100");
  machine.ResetCalls();
  engine.Isolate();
  EXPECT_EQ(SetMasksFor(1), std::vector<AffinityMask>{});
  EXPECT_EQ(SetMasksFor(2), std::vector<AffinityMask>{2});
}

TEST_F(Actions, IsolateWithFourCpusCyclesTheOthersOverTwoToFour) {
  machine.SetCpuCount(4);
  policy().cycleCpus = CpuSet::FirstCpus(4);
  const char* names[] = {"A", "B", "C", "D", "E"};
  for (Pid pid = 1; pid <= 5; ++pid) machine.AddProcess(pid, names[pid - 1], 15);
  engine.RefreshProcesses();
  Select(1);
  engine.Isolate();
  std::vector<AffinityMask> masks;
  for (Pid pid = 1; pid <= 5; ++pid) masks.push_back(machine.MaskOf(pid));
  EXPECT_EQ(masks, (std::vector<AffinityMask>{1, 2, 4, 8, 2}));
  EXPECT_EQ(policy().nextCpu, 3);
}

TEST(SetMenuItems, EachCaptionNamesItsSetAndItsSubmenuItsCount) {
  int addToList = 0;
  for (const SetMenuItem& item : SetMenuItems()) {
    const CpuFlags& f = item.flags;
    std::string caption;
    for (int cpu = 1; cpu <= 4; ++cpu) {
      const std::int32_t flag = cpu == 1 ? f.cpu1 : cpu == 2 ? f.cpu2 : cpu == 3 ? f.cpu3 : f.cpu4;
      if (flag == 1) caption += (caption.empty() ? "" : "+") + std::to_string(cpu);
    }
    const std::string_view shown =
        item.caption.starts_with("CPU ") ? item.caption.substr(4) : item.caption;
    EXPECT_EQ(shown, caption) << item.name;
    // The layout names of the "Add to list" items end in 2, and only those record.
    const bool underAddToList = item.place == SetMenuPlace::kAddToList;
    EXPECT_EQ(item.name.ends_with("2"), underAddToList) << item.name;
    addToList += underAddToList;
  }
  EXPECT_EQ(SetMenuItems().size(), 36u);
  EXPECT_EQ(addToList, 15);
}

}  // namespace
}  // namespace mervale
