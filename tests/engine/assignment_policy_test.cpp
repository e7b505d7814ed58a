// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/assignment_policy.h"

#include <gtest/gtest.h>

#include "engine_fixture.h"

namespace mervale {
namespace {

// What mode Manual gives the name from these entries on a machine of `cpus`, all of them online.
CpuSet ManualMask(const LineList& profile, std::string_view name, const CpuSet& cpus = CpuSet{15}) {
  AssignmentPolicy policy;
  policy.profileList = profile;
  policy.managedCpus = policy.onlineCpus = cpus;
  return ProfileMaskFor(policy, name).mask;
}

TEST(ProfileMaskFor, PrefixAtCharacterSevenLastEntryWins) {
  struct Case {
    LineList profile;
    const char* name;
    std::int32_t mask;
  };
  const Case cases[] = {
      {{}, "a.exe", 15},
      {{"1000: a.exe", "0011: a.exe"}, "a.exe", 12},
      {{"1100: notepad.exe"}, "notepad", 3},  // a leading part of the entry's name matches
      {{"1100: notepad.exe"}, "Notepad.exe", 15},
      {{"1100: notepad.exe"}, "pad.exe", 15},
      {{"0011:notepad.exe"}, "notepad.exe", 15},  // no blank: the name starts at character 6
      {{"1010: 1010: x"}, "1010", 15},            // the first occurrence counts
      {{"1000: "}, "", 15},
      {{"10"}, "x", 15},
  };
  for (const Case& c : cases) EXPECT_EQ(ManualMask(c.profile, c.name), c.mask) << c.name;
}

TEST(IsExcluded, LowerCasesOnlyAsciiAndIgnoresCase) {
  const LineList exclusions{"notepad.exe", "\xc4rger.exe"};
  EXPECT_TRUE(IsExcluded(exclusions, "NOTEPAD.EXE"));
  EXPECT_FALSE(IsExcluded(exclusions, "notepad"));
  EXPECT_TRUE(IsExcluded(exclusions, "\xc4RGER.EXE"));
  EXPECT_EQ(LowerCaseAscii("AbC\xc4.EXE"), "abc\xc4.exe");
}

using Assignment = EngineTest;

TEST_F(Assignment, AutomaticAlternatesAndSkipsExcludedNames) {
  struct Case {
    const char* excluded;
    std::vector<AffinityMask> expected;  // masks set on A, B, C
    std::int32_t nextCpu;
  };
  for (const Case& c : {Case{"", {1, 2, 1}, 2}, Case{"b", {1, 0, 2}, 1}}) {
    FakeProcessPlatform machine(2);
    CountingReporter reporter;
    AffinityEngine engine(machine, reporter);
    engine.Policy().mode = Mode::kAutomatic;
    if (*c.excluded) engine.Policy().exclusionList = {c.excluded};
    machine.AddProcess(1, "A", 3);
    machine.AddProcess(2, "B", 3);
    machine.AddProcess(3, "C", 3);
    engine.RefreshProcesses();
    std::vector<AffinityMask> masks;
    for (Pid pid : {1u, 2u, 3u}) {
      AffinityMask set = 0;
      for (const auto& attempt : machine.calls().setLog) {
        if (attempt.pid == pid) set = attempt.mask;
      }
      masks.push_back(set);
    }
    EXPECT_EQ(masks, c.expected) << "excluded: " << c.excluded;
    EXPECT_EQ(engine.Policy().nextCpu, c.nextCpu);
  }
}

TEST_F(Assignment, LeftoverCounterFromQuadCoreIsUsedOnceThenWraps) {
  policy().mode = Mode::kAutomatic;
  policy().nextCpu = 4;
  machine.AddProcess(1, "a", 3);
  machine.AddProcess(2, "b", 3);
  engine.RefreshProcesses();
  EXPECT_EQ(SetMasksFor(1), std::vector<AffinityMask>{8});
  EXPECT_FALSE(machine.calls().setLog.front().succeeded) << "two CPUs refuse CPU 4";
  EXPECT_EQ(SetMasksFor(2), std::vector<AffinityMask>{1});
  EXPECT_EQ(policy().nextCpu, 2);
}

TEST_F(Assignment, QuadCoreCyclesOverFour) {
  policy().mode = Mode::kAutomatic;
  policy().cycleCpus = CpuSet::FirstCpus(4);
  FakeProcessPlatform& m = machine;
  m.SetCpuCount(4);
  for (Pid pid = 1; pid <= 5; ++pid) m.AddProcess(pid, "p", 15);
  engine.RefreshProcesses();
  std::vector<AffinityMask> masks;
  for (const auto& attempt : m.calls().setLog) masks.push_back(attempt.mask);
  EXPECT_EQ(masks, (std::vector<AffinityMask>{1, 2, 4, 8, 1}));
}

TEST_F(Assignment, ManualUsesTheProfileWithTheNameUnchangedAndEveryCpuOtherwise) {
  policy().mode = Mode::kManual;
  policy().profileList = {"1000: a.exe", "0100: A.EXE"};
  machine.AddProcess(1, "a.exe", 3);
  machine.AddProcess(2, "A.EXE", 3);
  machine.AddProcess(3, "other", 3);
  engine.RefreshProcesses();
  EXPECT_EQ(SetMasksFor(1), std::vector<AffinityMask>{1});
  EXPECT_EQ(SetMasksFor(2), std::vector<AffinityMask>{2});
  EXPECT_EQ(SetMasksFor(3), std::vector<AffinityMask>{3}) << "every CPU of two";
}

TEST_F(Assignment, ExcludedNamesAreUntouchedInEveryModeAndOffTouchesNothing) {
  for (Mode mode : {Mode::kAutomatic, Mode::kManual, Mode::kCpu1, Mode::kCpu2, Mode::kOff}) {
    FakeProcessPlatform machine(2);
    CountingReporter reporter;
    AffinityEngine engine(machine, reporter);
    engine.Policy().mode = mode;
    engine.Policy().exclusionList = {"notepad.exe"};
    machine.AddProcess(1, "NOTEPAD.EXE", 3);
    engine.RefreshProcesses();
    EXPECT_EQ(machine.calls().sets, 0) << "mode " << static_cast<int>(mode);
    EXPECT_EQ(engine.Policy().nextCpu, 1) << "mode " << static_cast<int>(mode);
  }
  policy().mode = Mode::kOff;
  machine.AddProcess(2, "free", 3);
  engine.RefreshProcesses();
  EXPECT_EQ(machine.calls().sets, 0);
  EXPECT_EQ(policy().nextCpu, 1);
}

// On a machine of eight CPUs the mask text is the leading run of 0 and 1, ended by ": "; the list
// shows such an entry name first, with its CPUs, and any other line as it stands.
TEST(ProfileMaskForEightCpus, ReadsTheLeadingRunAndNeedsTheSeparator) {
  const CpuSet eight = CpuSet::FirstCpus(8);
  const struct {
    const char* entry;
    std::uint64_t mask;  // 0: the entry does not belong to "game"
    const char* shown;   // "": as it stands
  } cases[] = {
      {"10100001: game", 0b10000101, "game — 1,3,8"},
      {"1010: game", 0b101, "game — 1,3"},                 // written on a four-CPU machine
      {"101000011: game", 0b110000101, "game — 1,3,8–9"},  // names CPU 9, which it lacks
      {"10100001 game", 0, ""},
      {"10100001:game", 0, ""},
      {"1010x: game", 0, ""},
      {"10100001--game", 0, ""},
      {"10100001: gamer", 0b10000101, "gamer — 1,3,8"},  // the prefix rule stays
      {"10100001: my game", 0, "my game — 1,3,8"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ManualMask({c.entry}, "game", eight), c.mask == 0 ? eight : CpuSet(c.mask))
        << c.entry;
    EXPECT_EQ(ProfileEntryShown(c.entry, eight), *c.shown ? c.shown : c.entry);
    EXPECT_EQ(ProfileEntryShown(c.entry, CpuSet{15}), c.entry);
  }
}

}  // namespace
}  // namespace mervale
