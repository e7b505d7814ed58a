// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/fake/fake_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mervale {
namespace {

using Fake = FakeProcessPlatform;

// The engine's tests trust the fake to refuse what the real backends refuse.
class FakePlatformTest : public ::testing::Test {
 protected:
  FakePlatformTest() {
    fake_.AddProcess(4, "System", 3);
    fake_.AddProcess(612, "explorer.exe", 3);
    fake_.AddProcess(1480, "notepad.exe", 1);
  }

  Fake fake_{2, 4000};
};

TEST_F(FakePlatformTest, SetMaskChangesOnlyForMasksTheMachineHas) {
  struct Case {
    const char* what;
    AffinityMask mask;
    bool set;
  };
  const Case cases[] = {
      {"CPU 1", 1, true},
      {"CPU 2", 2, true},
      {"both CPUs", 3, true},
      {"no CPU", 0, false},
      {"CPU 3 alone, which the machine lacks", 4, false},
      {"CPU 1 together with a missing CPU 4", 9, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake_.SetMaskFromOutside(612, 3);
    fake_.ResetCalls();
    EXPECT_EQ(fake_.SetMask(612, c.mask) == 0, c.set);
    const AffinityMask expected = c.set ? c.mask : 3;
    EXPECT_EQ(fake_.MaskOf(612), expected);
    EXPECT_EQ(fake_.calls().setLog, (std::vector<Fake::SetAttempt>{{612, c.mask, c.set}}));
  }
}

TEST_F(FakePlatformTest, ProcessesThatCannotBeOpenedReadZeroAndKeepTheirMask) {
  fake_.RefuseRead(1480);
  fake_.RefuseSet(1480);
  struct Case {
    const char* what;
    Pid pid;
  };
  const Case cases[] = {
      {"the idle pseudo-process", 0},
      {"a process that has ended", 7777},
      {"a process refusing both kinds of access", 1480},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(fake_.GetMask(c.pid), 0u);
    EXPECT_NE(fake_.SetMask(c.pid, 2), 0u);
  }
  EXPECT_EQ(fake_.MaskOf(1480), 1u);
}

TEST_F(FakePlatformTest, ReadingAndSettingAreRefusedApart) {
  fake_.SetMaskFromOutside(1480, 2);
  EXPECT_EQ(fake_.GetMask(1480), 2u);

  fake_.RefuseRead(612);
  EXPECT_EQ(fake_.GetMask(612), 0u);
  EXPECT_EQ(fake_.SetMask(612, 1), 0u);
  EXPECT_EQ(fake_.MaskOf(612), 1u);

  fake_.RefuseSet(4);
  EXPECT_EQ(fake_.SetMask(4, 1), Fake::kAccessDenied);
  EXPECT_EQ(fake_.GetMask(4), 3u);
}

TEST_F(FakePlatformTest, ListsInOrderOfStartAndNamesOnlyRunningProcesses) {
  fake_.AddProcess(3, "late.exe", 1);
  fake_.RemoveProcess(612);
  std::vector<Pid> pids = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(fake_.ListPids(pids), 0u);
  EXPECT_EQ(pids, (std::vector<Pid>{4, 1480, 3}));
  EXPECT_EQ(fake_.ProcessName(3), "late.exe");
  EXPECT_EQ(fake_.ProcessName(612), "");

  fake_.FailSnapshots(8);
  EXPECT_EQ(fake_.ListPids(pids), 8u);
  EXPECT_EQ(fake_.calls().snapshotsCreated, 2);
}

}  // namespace
}  // namespace mervale
