// The engine over the real Linux backend. A pass applies the mode to every process it sees, so
// this program runs as PID 1 of a PID namespace of its own, where the only processes are itself
// and the children it starts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/platform/linux/linux_platform.h"
#include "engine/platform/linux/linux_process_start_source.h"
#include "tests/namespace/namespace_children.h"

namespace mervale {
namespace {

using testing::AffinityOf;
using testing::ExecutableOf;
using testing::MaskTextOf;
using testing::NoFailures;
using testing::Sleeper;

class EngineInNamespace : public ::testing::Test {
 protected:
  void SetUp() override {
    // Outside its own namespace a pass would re-pin every process of the machine.
    ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
    allCpus = machine.OnlineCpus().Numbers();
    if (allCpus.size() < 2) GTEST_SKIP() << "needs two online CPUs";
    textWidth = std::max<std::size_t>(4, allCpus.back() + 1);
    testing::Pin(0, allCpus);   // children inherit every CPU
    engine.RefreshProcesses();  // mode Off: learns this program
  }

  LinuxProcessPlatform machine;
  NoFailures reporter;
  AffinityEngine engine{machine, reporter};
  CpuNumbers allCpus;
  std::size_t textWidth = 4;  // of the CPU column's mask texts
};

TEST_F(EngineInNamespace, ModeCpu2PinsAChildStartedAfterThePreviousPass) {
  engine.Policy().mode = Mode::kCpu2;
  Sleeper child;
  ASSERT_GT(child.pid(), 1u);
  EXPECT_EQ(AffinityOf(child.pid()), allCpus);
  engine.RefreshProcesses();
  EXPECT_EQ(AffinityOf(child.pid()), CpuNumbers{1});
  const ProcessRow* row = engine.Table().FindRow(child.pid());
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->name, "sleep");
  EXPECT_EQ(row->maskText, MaskTextOf({1}, textWidth));
  EXPECT_EQ(AffinityOf(1), allCpus) << "a known process keeps its set";
}

TEST_F(EngineInNamespace, AutomaticAlternatesTwoNewChildren) {
  engine.Policy().mode = Mode::kAutomatic;
  engine.Policy().nextCpu = 1;
  Sleeper first;
  Sleeper second;
  engine.RefreshProcesses();
  EXPECT_EQ(AffinityOf(first.pid()), CpuNumbers{0});
  EXPECT_EQ(AffinityOf(second.pid()), CpuNumbers{1});
  EXPECT_EQ(engine.Policy().nextCpu, 1);
}

TEST_F(EngineInNamespace, ExcludedNameIsUntouched) {
  engine.Policy().mode = Mode::kCpu1;
  engine.Policy().exclusionList = {"sleep"};
  Sleeper child;
  engine.RefreshProcesses();
  EXPECT_EQ(AffinityOf(child.pid()), allCpus);
  ASSERT_NE(engine.Table().FindRow(child.pid()), nullptr);
}

TEST_F(EngineInNamespace, EndedChildLosesItsRow) {
  auto child = std::make_unique<Sleeper>();
  const Pid pid = child->pid();
  engine.RefreshProcesses();
  ASSERT_NE(engine.Table().FindRow(pid), nullptr);
  child.reset();
  engine.RefreshProcesses();
  EXPECT_EQ(engine.Table().FindRow(pid), nullptr);
  EXPECT_FALSE(engine.IsKnownPid(pid));
}

TEST_F(EngineInNamespace, AProgramAShellExecsGetsTheManualEntryOfItsOwnName) {
  const std::string shell = std::filesystem::canonical("/bin/sh").filename().string();
  engine.Policy().mode = Mode::kManual;
  engine.Policy().profileList = {"1000: " + shell, "0100: sleep"};
  // The shell waits for a file before it runs its program, so the pass sees it as the shell.
  const std::filesystem::path go = std::filesystem::temp_directory_path() /
                                   ("mervale-exec-" + std::to_string(std::random_device{}()));
  std::filesystem::remove(go);
  Sleeper child(
      {"sh", "-c", "while [ ! -e \"$0\" ]; do sleep 0.01; done; exec sleep 60", go.string()});
  ASSERT_GT(child.pid(), 1u);
  engine.RefreshProcesses();
  ASSERT_EQ(AffinityOf(child.pid()), CpuNumbers{0});
  std::ofstream{go};
  for (int tries = 0; tries < 500 && ExecutableOf(child.pid()) != "sleep"; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::filesystem::remove(go);
  ASSERT_EQ(ExecutableOf(child.pid()), "sleep");

  const std::vector<Pid> started{child.pid()};
  engine.ProgramsStarted(started);
  EXPECT_EQ(AffinityOf(child.pid()), CpuNumbers{1});
  const ProcessRow* row = engine.Table().FindRow(child.pid());
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->name, "sleep");
  EXPECT_EQ(row->maskText, MaskTextOf({1}, textWidth));
}

TEST(StartHints, TheNamespacesLatestPidIsTheChildJustStarted) {
  ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
  for (int round = 0; round < 2; ++round) {
    Sleeper child;
    EXPECT_EQ(LastPidOfOwnNamespace(), std::optional<long>(child.pid()));
  }
}

TEST_F(EngineInNamespace, RestoreAllGivesEveryThreadItsSetBackAndChildrenTheirParents) {
  testing::ThreadedChild pinned(2);
  engine.Policy().mode = Mode::kCpu1;
  engine.ClearProcesses();
  engine.RebuildProcesses();                                   // this program too
  testing::Pin(testing::ThreadsOf(pinned.pid()).back(), {1});  // one thread chooses for itself
  engine.Policy().mode = Mode::kOff;
  testing::ThreadedChild inheriting(2);  // starts on the CPU this program was given
  engine.RefreshProcesses();
  engine.RestoreAll();
  for (const Pid pid : {Pid(1), pinned.pid(), inheriting.pid()}) {
    for (const pid_t thread : testing::ThreadsOf(pid_t(pid)))
      EXPECT_EQ(AffinityOf(thread), allCpus) << "process " << pid << ", thread " << thread;
  }
}

}  // namespace
}  // namespace mervale
