// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
// clang-format on

#include <optional>
#include <string>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/platform/win32/win32_platform.h"
#include "suspended_child.h"

namespace mervale {
namespace {

using testing::SuspendedChild;

// The real backend, except that only one process of ours may have its mask set: a pass then lists,
// names and reads every process of the system but changes nothing outside the test.
class OneProcessMaySet final : public ProcessPlatform {
 public:
  explicit OneProcessMaySet(Pid settable) : settable_(settable) {}

  ErrorCode ListPids(std::vector<Pid>& pids) override { return real_.ListPids(pids); }
  std::string ProcessName(Pid pid) override { return real_.ProcessName(pid); }
  AffinityMask OnlineCpus() override { return real_.OnlineCpus(); }
  CpuTopology Topology() override { return real_.Topology(); }
  AffinityMask GetMask(Pid pid) override { return real_.GetMask(pid); }
  ErrorCode SetMask(Pid pid, AffinityMask mask) override {
    return pid == settable_ ? real_.SetMask(pid, mask) : ERROR_ACCESS_DENIED;
  }
  Pid CurrentPid() override { return real_.CurrentPid(); }

 private:
  Win32ProcessPlatform real_;
  Pid settable_;
};

struct CountingReporter final : FailureReporter {
  void ShowFailure() override { ++failures; }
  int failures = 0;
};

AffinityMask MaskOf(HANDLE process) {
  DWORD_PTR processMask = 0;
  DWORD_PTR systemMask = 0;
  GetProcessAffinityMask(process, &processMask, &systemMask);
  return AffinityMask(std::uint64_t{processMask});
}

TEST(RefreshWin32Test, ModeCpu1PinsANewProcessOnceAndItsRowFollowsIt) {
  std::optional<SuspendedChild> child(std::in_place);
  ASSERT_TRUE(child->Started());
  // Start the child on CPU 2, a set the engine manages, so the pin to CPU 1 shows.
  if (!SetProcessAffinityMask(child->Handle(), 2)) GTEST_SKIP() << "needs a second CPU";
  const Pid childPid = child->ProcessId();

  OneProcessMaySet platform(childPid);
  CountingReporter reporter;
  AffinityEngine engine(platform, reporter);
  engine.Policy().mode = Mode::kCpu1;

  engine.RefreshProcesses();
  EXPECT_EQ(reporter.failures, 0);
  EXPECT_EQ(MaskOf(child->Handle()), 1u);
  const ProcessRow* row = engine.Table().FindRow(childPid);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->name, child->ExecutableName());
  EXPECT_EQ(row->pidText, std::to_string(childPid));
  EXPECT_EQ(row->maskText, "1000");
  const ProcessRow* own = engine.Table().FindRow(GetCurrentProcessId());
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->name, "Mervale");

  // A known process keeps a set given by hand; its row shows the change.
  ASSERT_TRUE(SetProcessAffinityMask(child->Handle(), 2));
  engine.RefreshProcesses();
  EXPECT_EQ(MaskOf(child->Handle()), 2u);
  row = engine.Table().FindRow(childPid);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->maskText, "0100");

  // An ended process leaves the table at the next pass.
  child.reset();
  engine.RefreshProcesses();
  EXPECT_EQ(engine.Table().FindRow(childPid), nullptr);
  EXPECT_NE(engine.Table().FindRow(GetCurrentProcessId()), nullptr);
  EXPECT_EQ(reporter.failures, 0);
}

}  // namespace
}  // namespace mervale
