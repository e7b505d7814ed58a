// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_cycle.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_fixture.h"
#include "tests/common/cpu_lists.h"

namespace mervale {
namespace {

using testing::List;
using testing::Lists;

CpuSet Cpus(const std::string& list) {
  return CpuSet::FromNumbers(List(list));
}

CpuTopology Layout(const std::string& online, const std::vector<std::string>& cores) {
  CpuTopology found;
  found.online = List(online);
  found.cores = Lists(cores);
  return MakeTopology(found);
}

TEST(CycleCpus, FollowsTheManagedCpusAndTheLayout) {
  // Eight performance cores of two threads, then eight efficiency cores of one.
  std::vector<std::string> hybridCores;
  for (unsigned cpu = 0; cpu < 16; cpu += 2) {
    hybridCores.push_back(std::to_string(cpu) + "-" + std::to_string(cpu + 1));
  }
  for (unsigned cpu = 16; cpu < 24; ++cpu) hybridCores.push_back(std::to_string(cpu));
  const CpuTopology hybrid = Layout("0-23", hybridCores);
  const CpuTopology smt = Layout("0-7", {"0,4", "1,5", "2,6", "3,7"});
  const struct {
    const char* what;
    CpuCycle cycle;
    CpuSet managed;
    CpuTopology topology;
    CpuSet expected;
  } cases[] = {
      // Small machines manage CPUs 1 to 4; the cycle keeps the online ones.
      {"small machine, two", CpuCycle::kTwoCpus, Cpus("0-3"), Layout("0", {}), Cpus("0")},
      {"small machine, four", CpuCycle::kFourCpus, Cpus("0-3"), Layout("0-1", {}), Cpus("0-1")},
      {"small machine, no layout", CpuCycle::kFourCpus, Cpus("0-3"), CpuTopology{}, Cpus("0-3")},
      {"hybrid, one thread per core", CpuCycle::kOneThreadPerCore, Cpus("0-23"), hybrid,
       Cpus("0,2,4,6,8,10,12,14,16-23")},
      {"hybrid, all", CpuCycle::kAllCpus, Cpus("0-23"), hybrid, Cpus("0-23")},
      {"smt, one thread per core", CpuCycle::kOneThreadPerCore, Cpus("0-7"), smt, Cpus("0-3")},
      // A core whose first thread went offline still counts, by its other thread.
      {"first thread offline", CpuCycle::kOneThreadPerCore, Cpus("1-7"), smt, Cpus("1-4")},
      // CPUs that came online after start-up, or that the layout never named, are cores of their
      // own.
      {"cpus the layout lacks", CpuCycle::kOneThreadPerCore, Cpus("0-9"), smt, Cpus("0-3,8-9")},
      {"unknown layout", CpuCycle::kOneThreadPerCore, Cpus("0-7"), CpuTopology{}, Cpus("0-7")},
      {"two, second cpu offline", CpuCycle::kTwoCpus, Cpus("0,2-7"), smt, Cpus("0,2")},
      {"four, first cpu offline", CpuCycle::kFourCpus, Cpus("1-7"), smt, Cpus("1-4")},
      {"all, some offline", CpuCycle::kAllCpus, Cpus("0-2,5-7"), smt, Cpus("0-2,5-7")},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CycleCpus(c.cycle, c.managed, c.topology), c.expected) << c.what;
  }
}

// The online CPUs change under a chosen cycle: the cycle follows at the next pass and the round
// robin never hands out a CPU the machine no longer manages, nor an empty set.
TEST(CycleWhenCpusGoOffline, TheCycleShrinksWithTheMachine) {
  FakeProcessPlatform machine(16);
  CountingReporter reporter;
  AffinityEngine engine(machine, reporter);
  engine.Policy().mode = Mode::kAutomatic;
  engine.Policy().cycle = CpuCycle::kAllCpus;
  Pid next = 1;
  const auto startProcesses = [&](int count) {
    for (int i = 0; i < count; ++i) machine.AddProcess(next++, "p", CpuSet::FirstCpus(4));
    engine.RefreshProcesses();
  };
  startProcesses(12);
  ASSERT_EQ(engine.Policy().nextCpu, 13);

  struct Step {
    int online;
    CpuSet cycle;
  };
  for (const Step& step : {Step{8, Cpus("0-7")}, Step{4, Cpus("0-3")}, Step{3, Cpus("0-3")}}) {
    machine.SetCpuCount(step.online);
    machine.ResetCalls();
    startProcesses(10);
    EXPECT_EQ(engine.Policy().cycleCpus, step.cycle) << step.online << " CPUs online";
    for (const auto& attempt : machine.calls().setLog) {
      EXPECT_EQ(attempt.mask.Count(), 1u);
      EXPECT_TRUE(attempt.mask.IsSubsetOf(engine.Policy().managedCpus)) << attempt.mask;
    }
  }
}

// One core holding every thread leaves one thread per core nothing after CPU 1.
TEST(CycleOfOneCpu, AutomaticKeepsToItAndIsolateLeavesTheOthersBe) {
  FakeProcessPlatform machine(8);
  machine.SetTopology(Layout("0-7", {"0-7"}));
  CountingReporter reporter;
  AffinityEngine engine(machine, reporter);
  engine.Policy().topology = machine.Topology();
  engine.Policy().cycle = CpuCycle::kOneThreadPerCore;
  engine.Policy().mode = Mode::kAutomatic;
  for (Pid pid = 1; pid <= 3; ++pid) machine.AddProcess(pid, "p", CpuSet::FirstCpus(8));
  engine.RefreshProcesses();
  for (Pid pid = 1; pid <= 3; ++pid) EXPECT_EQ(machine.MaskOf(pid), Cpus("0")) << pid;

  for (Pid pid = 1; pid <= 3; ++pid) machine.SetMaskFromOutside(pid, CpuSet::FirstCpus(8));
  engine.RefreshProcesses();
  engine.Table().SetSelected(0, true);
  machine.ResetCalls();
  const std::int32_t counter = engine.Policy().nextCpu;
  engine.Isolate();
  EXPECT_EQ(machine.calls().sets, 1);
  EXPECT_EQ(machine.MaskOf(engine.Table().RowAt(0).pid), Cpus("0"));
  EXPECT_EQ(engine.Policy().nextCpu, counter);
}

}  // namespace
}  // namespace mervale
