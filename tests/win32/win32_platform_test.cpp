// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/win32/win32_platform.h"

#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
// clang-format on

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "suspended_child.h"
#include "tests/common/listed_names.h"

namespace mervale {
namespace {

using testing::SuspendedChild;

// Windows hands out PIDs from the bottom in steps of four; this one is never in use. (A child that
// has just ended is no substitute: Wine keeps it open-able for a while after it is gone.)
constexpr Pid kNoSuchPid = 0xFFFFFFFC;

// The CPUs the machine has, as the low 32 bits of the system mask.
std::uint64_t MachineMask() {
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask);
  return systemMask;
}

int MachineCpuCount() {
  return __builtin_popcountll(MachineMask());
}

class Win32PlatformTest : public ::testing::Test {
 protected:
  Win32ProcessPlatform platform_;
};

TEST_F(Win32PlatformTest, ListsTheRunningProcessesUnderTheirExecutableNames) {
  SuspendedChild child;
  ASSERT_TRUE(child.Started());

  auto entries = ListedNames(platform_);
  auto own = std::ranges::find(entries, GetCurrentProcessId(), &std::pair<Pid, std::string>::first);
  auto started = std::ranges::find(entries, child.ProcessId(), &std::pair<Pid, std::string>::first);
  ASSERT_NE(own, entries.end());
  ASSERT_NE(started, entries.end());
  EXPECT_EQ(own->second, child.ExecutableName());
  EXPECT_EQ(started->second, child.ExecutableName());
  EXPECT_TRUE(child.ExecutableName().ends_with(".exe"));

  std::vector<Pid> pids{kNoSuchPid};  // whatever was in the list is replaced
  ASSERT_EQ(platform_.ListPids(pids), 0u);
  for (Pid pid : {Pid{GetCurrentProcessId()}, child.ProcessId()}) {
    EXPECT_NE(std::ranges::find(pids, pid), pids.end()) << pid;
  }
  EXPECT_EQ(std::ranges::find(pids, kNoSuchPid), pids.end());
}

TEST_F(Win32PlatformTest, NamesComeFromTheLatestListing) {
  Win32ProcessPlatform fresh;
  SuspendedChild early;
  ASSERT_TRUE(early.Started());
  EXPECT_EQ(fresh.ProcessName(early.ProcessId()), "") << "nothing listed yet";

  std::vector<Pid> pids;
  ASSERT_EQ(fresh.ListPids(pids), 0u);
  SuspendedChild late;
  ASSERT_TRUE(late.Started());
  EXPECT_EQ(fresh.ProcessName(early.ProcessId()), early.ExecutableName());
  EXPECT_EQ(fresh.ProcessName(late.ProcessId()), "") << "started after the listing";
  EXPECT_EQ(fresh.StartTime(late.ProcessId()), 0u);
  EXPECT_EQ(fresh.ProcessName(kNoSuchPid), "");

  ASSERT_EQ(fresh.ListPids(pids), 0u);
  EXPECT_EQ(fresh.ProcessName(late.ProcessId()), late.ExecutableName());
  EXPECT_EQ(fresh.StartTime(late.ProcessId()), late.CreationTime());
}

TEST_F(Win32PlatformTest, BothListingsGiveTheSameProcessesAndParentsOnlyOneTellsStartTimes) {
  SuspendedChild child;
  ASSERT_TRUE(child.Started());
  std::vector<std::uint64_t> buffer(1);  // far too small: the listing grows it
  std::vector<ListedProcess> fromSystem;
  std::vector<ListedProcess> fromSnapshot;
  ASSERT_EQ(ListFromSystemInformation(buffer, fromSystem), 0u);
  ASSERT_EQ(ListFromSnapshot(fromSnapshot), 0u);
  for (Pid pid : {Pid{GetCurrentProcessId()}, child.ProcessId()}) {
    const auto system = std::ranges::find(fromSystem, pid, &ListedProcess::pid);
    const auto snapshot = std::ranges::find(fromSnapshot, pid, &ListedProcess::pid);
    ASSERT_NE(system, fromSystem.end()) << pid;
    ASSERT_NE(snapshot, fromSnapshot.end()) << pid;
    EXPECT_EQ(system->name, snapshot->name);
    EXPECT_EQ(system->parent, snapshot->parent);
    EXPECT_NE(system->startTime, 0u);
    EXPECT_EQ(snapshot->startTime, 0u);
  }
  EXPECT_EQ(std::ranges::find(fromSystem, child.ProcessId(), &ListedProcess::pid)->parent,
            GetCurrentProcessId());
}

TEST_F(Win32PlatformTest, MasksSetOnAChildAreReadBack) {
  SuspendedChild child;
  ASSERT_TRUE(child.Started());

  std::vector<std::uint64_t> masks{1, MachineMask()};
  if (MachineCpuCount() >= 2) masks.push_back(2);
  for (std::uint64_t mask : masks) {
    SCOPED_TRACE(mask);
    EXPECT_EQ(platform_.SetMask(child.ProcessId(), mask), 0u);
    EXPECT_EQ(platform_.GetMask(child.ProcessId()), mask);
    // Cross-checked through a handle of our own.
    DWORD_PTR processMask = 0;
    DWORD_PTR systemMask = 0;
    ASSERT_TRUE(GetProcessAffinityMask(child.Handle(), &processMask, &systemMask));
    EXPECT_EQ(processMask, mask);
  }
}

TEST_F(Win32PlatformTest, RefusedMasksLeaveTheChildsMaskAsItWas) {
  SuspendedChild child;
  ASSERT_TRUE(child.Started());
  ASSERT_EQ(platform_.SetMask(child.ProcessId(), 1), 0u);

  std::vector<std::uint64_t> refused{0};
  if (MachineCpuCount() < 32) refused.push_back(std::uint64_t{1} << MachineCpuCount());
  for (std::uint64_t mask : refused) {
    SCOPED_TRACE(mask);
    EXPECT_NE(platform_.SetMask(child.ProcessId(), mask), 0u);
    EXPECT_EQ(platform_.GetMask(child.ProcessId()), 1u);
  }
}

TEST_F(Win32PlatformTest, ProcessesThatCannotBeOpenedAreLeftAlone) {
  for (Pid pid : {Pid{0}, kNoSuchPid}) {
    SCOPED_TRACE(pid);
    EXPECT_EQ(platform_.GetMask(pid), 0u);
    EXPECT_NE(platform_.SetMask(pid, 1), 0u);
  }
}

TEST(SnapshotNameFieldTest, NameEndsAtTheFirstNulOrFillsTheField) {
  struct Case {
    const char* what;
    std::string content;  // copied to the field's start; the rest stays NUL
    std::string expected;
  };
  const std::string full(kSnapshotNameLength, 'x');
  const Case cases[] = {
      {"empty", "", ""},
      {"short", "notepad.exe", "notepad.exe"},
      {"garbage after the end", std::string("a.exe\0junk", 10), "a.exe"},
      {"no NUL at all", full, full},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::array<char, kSnapshotNameLength> field{};
    std::ranges::copy(c.content, field.begin());
    EXPECT_EQ(NameFromSnapshotField(field), c.expected);
  }
}

}  // namespace
}  // namespace mervale
