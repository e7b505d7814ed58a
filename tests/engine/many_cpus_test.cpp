// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/cpu_set.h"
#include "engine/platform/fake/fake_platform.h"
#include "tests/engine/engine_fixture.h"

namespace mervale {
namespace {

// Every mode and action on machines of 1 to 256 CPUs; those with at most four keep the texts and
// sets the program always had.
class ManyCpus : public ::testing::TestWithParam<int> {
 protected:
  int cpus = GetParam();
  FakeProcessPlatform machine{cpus};
  CountingReporter reporter;
  AffinityEngine engine{machine, reporter};
  std::size_t width = std::size_t(std::max(cpus, 4));

  static CpuSet Cpu(unsigned number) { return CpuSet::FromNumbers(std::vector<unsigned>{number}); }
  // A process on every CPU of the machine, as processes start; the mode then moves it.
  void Start(Pid pid, const std::string& name) {
    machine.AddProcess(pid, name, CpuSet::FirstCpus(std::size_t(cpus)));
  }
  // The mask the process ended with, or nothing when the last attempt was refused.
  CpuSet Landed(Pid pid) const {
    CpuSet landed;
    for (const auto& attempt : machine.calls().setLog) {
      if (attempt.pid == pid) landed = attempt.succeeded ? attempt.mask : CpuSet{};
    }
    return landed;
  }
  std::string TextOfRow(Pid pid) const {
    for (int i = 0; i < engine.Table().RowCount(); ++i) {
      if (engine.Table().RowAt(i).pid == pid) return engine.Table().RowAt(i).maskText;
    }
    return "no row";
  }
};

TEST_P(ManyCpus, ProcessesOnEveryCpuGetARowWithOneCharacterPerCpu) {
  engine.Policy().mode = Mode::kOff;
  Start(1, "a");
  engine.RefreshProcesses();
  EXPECT_EQ(TextOfRow(1), std::string(std::size_t(cpus), '1') + std::string(width - cpus, '0'));
}

TEST_P(ManyCpus, AProcessOnACpuTheMachineLacksGetsNoRowOnBigMachines) {
  machine.AddProcess(1, "a", Cpu(unsigned(cpus)));
  engine.RefreshProcesses();
  // Machines with at most four CPUs always listed every set of CPUs 1 to 4.
  EXPECT_EQ(engine.Table().RowCount(), cpus < 4 ? 1 : 0);
}

TEST_P(ManyCpus, FixedModesAndAutomaticLandWhereTheMachineHasTheCpu) {
  const struct {
    Mode mode;
    CpuSet first, second;
  } cases[] = {
      {Mode::kCpu1, Cpu(0), Cpu(0)},
      {Mode::kCpu2, cpus >= 2 ? Cpu(1) : CpuSet{}, cpus >= 2 ? Cpu(1) : CpuSet{}},
      {Mode::kAutomatic, Cpu(0), cpus >= 2 ? Cpu(1) : CpuSet{}},
  };
  for (const auto& c : cases) {
    FakeProcessPlatform fresh(cpus);
    AffinityEngine modeEngine(fresh, reporter);
    modeEngine.Policy().mode = c.mode;
    fresh.AddProcess(1, "a", CpuSet::FirstCpus(std::size_t(cpus)));
    fresh.AddProcess(2, "b", CpuSet::FirstCpus(std::size_t(cpus)));
    modeEngine.RefreshProcesses();
    EXPECT_EQ(fresh.MaskOf(1), c.first.Empty() ? CpuSet::FirstCpus(std::size_t(cpus)) : c.first)
        << int(c.mode);
    EXPECT_EQ(fresh.MaskOf(2), c.second.Empty() ? CpuSet::FirstCpus(std::size_t(cpus)) : c.second)
        << int(c.mode);
  }
}

TEST_P(ManyCpus, ManualReadsEntriesOfAnyWidthAndGivesUnlistedNamesEveryCpu) {
  engine.Policy().mode = Mode::kManual;
  // Written on this machine (one character per CPU) and on a four-CPU one.
  engine.Policy().profileList = {MaskToText(Cpu(unsigned(cpus - 1)), width) + ": last.exe",
                                 "1000: first.exe"};
  Start(1, "last.exe");
  Start(2, "first.exe");
  Start(3, "other.exe");
  engine.RefreshProcesses();
  EXPECT_EQ(Landed(1), Cpu(unsigned(cpus - 1)));
  EXPECT_EQ(Landed(2), Cpu(0));
  // An unlisted name gets every CPU the machine has, whatever its size.
  EXPECT_EQ(Landed(3), CpuSet::FirstCpus(std::size_t(cpus)));
  // An entry naming a CPU the machine lacks is not applied, and reported once (a four-CPU
  // machine's four-character entries cannot name a fifth CPU).
  const std::string missing =
      MaskToText(Cpu(unsigned(cpus)), std::max(width, std::size_t(cpus) + 1));
  engine.Policy().profileList.push_back(missing + ": late.exe");
  for (const Pid pid : {4u, 5u, 6u}) {
    Start(pid, "late.exe");
    engine.RefreshProcesses();
  }
  EXPECT_EQ(Landed(6), cpus == 4 ? CpuSet::FirstCpus(4) : CpuSet{});
  EXPECT_EQ(reporter.entryReports.size(), cpus == 4 ? 0u : 1u);
}

TEST_P(ManyCpus, AddToListRecordsOneCharacterPerCpuAndSetsTheSelected) {
  Start(1, "a");
  engine.RefreshProcesses();
  engine.Table().SetSelected(0, true);
  engine.AddSelectedToProfile(SetOf(CpuFlags{1, 0, 0, 0}));
  ASSERT_EQ(engine.Policy().profileList.size(), 1u);
  EXPECT_EQ(engine.Policy().profileList[0], "1" + std::string(width - 1, '0') + ": a");
  // The machine's last CPU, which no four-flag menu entry can name on a big machine.
  const CpuSet last = Cpu(unsigned(cpus - 1));
  engine.AddSelectedToProfile(last);
  EXPECT_EQ(engine.Policy().profileList, LineList{MaskToText(last, width) + ": a"});
  engine.ApplyToSelected(last);
  EXPECT_EQ(Landed(1), last);
}

TEST_P(ManyCpus, IsolatePutsTheSelectedOnCpuOneAndTheOthersOnCpuTwo) {
  Start(1, "a");
  Start(2, "b");
  engine.RefreshProcesses();
  engine.Table().SetSelected(0, true);
  engine.Isolate();
  EXPECT_EQ(Landed(1), Cpu(0));
  EXPECT_EQ(Landed(2), cpus >= 2 ? Cpu(1) : CpuSet{});
}

// Each cycle choice on machines of 1 to 256 CPUs. Two and Four CPUs are those of CPUs 1 and 2 and
// 1 to 4 that the machine has; bigger machines have two threads per core here, the
// second threads numbered after every first one, as Linux counts them.
class CycleOnManyCpus : public ::testing::TestWithParam<std::tuple<int, CpuCycle>> {
 protected:
  void SetUp() override {
    const unsigned cores = unsigned(cpus) / 2;
    CpuTopology smt;
    for (unsigned cpu = 0; cpu < unsigned(cpus); ++cpu) {
      smt.online.push_back(cpu);
      if (cpu < cores) smt.cores.push_back({cpu, cpu + cores});
    }
    // Every choice walks CPUs from CPU 1 up, as many as it takes.
    const std::size_t count = cycle == CpuCycle::kTwoCpus            ? 2
                              : cycle == CpuCycle::kFourCpus         ? 4
                              : cycle == CpuCycle::kOneThreadPerCore ? cores
                                                                     : std::size_t(cpus);
    expected.resize(std::min(count, std::size_t(cpus)));
    std::iota(expected.begin(), expected.end(), 0u);
    if (cpus > 4) machine.SetTopology(MakeTopology(smt));
    engine.Policy().topology = machine.Topology();
    engine.Policy().cycle = cycle;
    engine.ReadMachine();
    UpdateCycleCpus(engine.Policy());
  }
  // Processes on every CPU, named so that rows sort in the order of their PIDs.
  void Start(int count) {
    for (int i = 0; i < count; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "p%04d", i);
      machine.AddProcess(Pid(i + 1), name, CpuSet::FirstCpus(std::size_t(cpus)));
    }
  }
  // What a process given CPU `cpu` alone ends with: nothing when the machine lacks it.
  CpuSet Given(unsigned cpu) const {
    return cpu < unsigned(cpus) ? CpuSet::FromNumbers(std::vector<unsigned>{cpu}) : CpuSet{};
  }
  CpuSet Landed(Pid pid) const {
    CpuSet landed;
    for (const auto& attempt : machine.calls().setLog) {
      if (attempt.pid == pid) landed = attempt.succeeded ? attempt.mask : CpuSet{};
    }
    return landed;
  }

  int cpus = std::get<0>(GetParam());
  CpuCycle cycle = std::get<1>(GetParam());
  std::vector<unsigned> expected;  // the CPUs the cycle walks, from 0
  FakeProcessPlatform machine{cpus};
  CountingReporter reporter;
  AffinityEngine engine{machine, reporter};
};

TEST_P(CycleOnManyCpus, AutomaticWalksTheChosenCpusInOrderAndWraps) {
  const int count = int(expected.size()) + 2;
  Start(count);
  engine.Policy().mode = Mode::kAutomatic;
  engine.RebuildProcesses();
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(Landed(Pid(i + 1)), Given(expected[std::size_t(i) % expected.size()])) << i;
  }
  EXPECT_EQ(engine.Policy().nextCpu, int(expected[2 % expected.size()]) + 1);
}

TEST_P(CycleOnManyCpus, IsolateSpreadsTheOthersOverTheCycleAfterCpuOne) {
  const std::vector<unsigned> rest(expected.begin() + 1, expected.end());
  const int others = int(rest.size()) + 1;
  Start(others + 1);
  engine.RefreshProcesses();
  engine.Table().SetSelected(0, true);
  engine.Isolate();
  EXPECT_EQ(Landed(1), Given(0));
  // Past four CPUs the others share the rest of the cycle without CPU 1's sibling, and the counter
  // of mode Automatic stays. Up to four they take its CPUs in turn, and Automatic goes on from
  // there; a machine of one CPU has none to spread the others over: they keep their sets.
  const bool shared = cpus > 4;
  std::vector<unsigned> beside = rest;
  std::erase(beside, unsigned(cpus) / 2);
  for (int i = 0; i < others; ++i) {
    const CpuSet spread = rest.empty() ? CpuSet{} : Given(rest[std::size_t(i) % rest.size()]);
    EXPECT_EQ(Landed(Pid(i + 2)), shared ? CpuSet::FromNumbers(beside) : spread) << i;
  }
  if (!rest.empty()) {
    EXPECT_EQ(engine.Policy().nextCpu, shared ? 1 : int(rest[1 % rest.size()]) + 1);
  }
}

// Threads of a core numbered side by side, as some systems count them: the default cycle of Two
// CPUs lies inside CPU 1's core, so the others share every CPU beside that core instead.
TEST(IsolateBesideTheFirstCore, ACycleInsideItFallsBackToTheMachine) {
  CpuTopology adjacent;
  for (unsigned cpu = 0; cpu < 8; ++cpu) {
    adjacent.online.push_back(cpu);
    if (cpu % 2 == 0) adjacent.cores.push_back({cpu, cpu + 1});
  }
  FakeProcessPlatform machine{8};
  machine.SetTopology(MakeTopology(adjacent));
  CountingReporter reporter;
  AffinityEngine engine{machine, reporter};
  engine.Policy().topology = machine.Topology();
  engine.ReadMachine();
  UpdateCycleCpus(engine.Policy());
  machine.AddProcess(1, "a", CpuSet::FirstCpus(8));
  machine.AddProcess(2, "b", CpuSet::FirstCpus(8));
  engine.RefreshProcesses();
  engine.Table().SetSelected(0, true);
  engine.Isolate();
  EXPECT_EQ(machine.MaskOf(1), CpuSet::FirstCpus(1));
  EXPECT_EQ(machine.MaskOf(2), CpuSet::FromNumbers(std::vector<unsigned>{2, 3, 4, 5, 6, 7}));
}

// Machines with at most four CPUs offer Two and Four CPUs only.
std::vector<std::tuple<int, CpuCycle>> OfferedCycles() {
  std::vector<std::tuple<int, CpuCycle>> offered;
  for (const int cpus : {1, 2, 3, 4, 8, 16, 64, 256}) {
    for (const CpuCycle cycle : {CpuCycle::kTwoCpus, CpuCycle::kFourCpus,
                                 CpuCycle::kOneThreadPerCore, CpuCycle::kAllCpus}) {
      if (cpus > 4 || cycle == CpuCycle::kTwoCpus || cycle == CpuCycle::kFourCpus) {
        offered.emplace_back(cpus, cycle);
      }
    }
  }
  return offered;
}

INSTANTIATE_TEST_SUITE_P(Machines, CycleOnManyCpus, ::testing::ValuesIn(OfferedCycles()));

INSTANTIATE_TEST_SUITE_P(Machines, ManyCpus, ::testing::Values(1, 2, 3, 4, 8, 16, 64, 256));

}  // namespace
}  // namespace mervale
