#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
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
  // An unlisted name gets CPUs 1 to 4 on small machines, which those lacking some refuse.
  EXPECT_EQ(Landed(3), cpus == 4 || cpus > 4 ? CpuSet::FirstCpus(std::size_t(cpus)) : CpuSet{});
}

TEST_P(ManyCpus, AddToListWritesOneCharacterPerCpuAndSetsTheSelected) {
  const std::string file = ::testing::TempDir() + "many_cpus_profile_" + std::to_string(cpus);
  Start(1, "a");
  engine.RefreshProcesses();
  engine.Table().SetSelected(0, true);
  engine.AddSelectedToProfile(SetOf(CpuFlags{1, 0, 0, 0}), file);
  ASSERT_EQ(engine.Policy().profileList.size(), 1u);
  EXPECT_EQ(engine.Policy().profileList[0], "1" + std::string(width - 1, '0') + ": a");
  // The machine's last CPU, which no four-flag menu entry can name on a big machine.
  const CpuSet last = Cpu(unsigned(cpus - 1));
  engine.AddSelectedToProfile(last, file);
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

// The cycle choices on this machine, each with the CPUs (from 0) it walks. Machines with at most
// four CPUs offer Two and Four CPUs, CPUs 1 and 2 and 1 to 4 whatever they have; bigger ones have
// two threads per core here, the second threads numbered after every first one, as Linux counts.
class CycleOnManyCpus : public ManyCpus {
 protected:
  struct Choice {
    CpuCycle cycle;
    std::vector<unsigned> cpus;
  };

  std::vector<Choice> Choices() const {
    std::vector<Choice> choices{{CpuCycle::kTwoCpus, {0, 1}}, {CpuCycle::kFourCpus, {0, 1, 2, 3}}};
    if (cpus <= 4) return choices;
    std::vector<unsigned> firstThreads, all;
    for (unsigned cpu = 0; cpu < unsigned(cpus); ++cpu) {
      all.push_back(cpu);
      if (cpu < unsigned(cpus) / 2) firstThreads.push_back(cpu);
    }
    choices.push_back({CpuCycle::kOneThreadPerCore, firstThreads});
    choices.push_back({CpuCycle::kAllCpus, all});
    return choices;
  }
  // A machine of this size whose engine cycles over `cycle` in `mode`, with `count` processes.
  struct Scene {
    Scene(int cpus, CpuCycle cycle, int count) : machine(cpus) {
      if (cpus > 4) {
        CpuTopology smt;
        for (unsigned core = 0; core < unsigned(cpus) / 2; ++core) {
          smt.online.push_back(core);
          smt.online.push_back(core + unsigned(cpus) / 2);
          smt.cores.push_back({core, core + unsigned(cpus) / 2});
        }
        machine.SetTopology(MakeTopology(smt));
      }
      engine.Policy().topology = machine.Topology();
      engine.Policy().cycle = cycle;
      engine.ReadMachine();
      UpdateCycleCpus(engine.Policy());
      for (int i = 0; i < count; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "p%04d", i);  // rows sort in the order of the PIDs
        machine.AddProcess(Pid(i + 1), name, CpuSet::FirstCpus(std::size_t(cpus)));
      }
    }
    FakeProcessPlatform machine;
    CountingReporter reporter;
    AffinityEngine engine{machine, reporter};
  };
  // What a process given CPU `cpu` alone ends with: nothing when the machine lacks it.
  CpuSet Given(unsigned cpu) const { return cpu < unsigned(cpus) ? Cpu(cpu) : CpuSet{}; }
  static CpuSet LandedOn(const FakeProcessPlatform& machine, Pid pid) {
    CpuSet landed;
    for (const auto& attempt : machine.calls().setLog) {
      if (attempt.pid == pid) landed = attempt.succeeded ? attempt.mask : CpuSet{};
    }
    return landed;
  }
};

TEST_P(CycleOnManyCpus, AutomaticWalksTheChosenCpusInOrderAndWraps) {
  for (const Choice& choice : Choices()) {
    const int count = int(choice.cpus.size()) + 2;
    Scene scene(cpus, choice.cycle, count);
    scene.engine.Policy().mode = Mode::kAutomatic;
    scene.engine.RebuildProcesses();
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(LandedOn(scene.machine, Pid(i + 1)),
                Given(choice.cpus[std::size_t(i) % choice.cpus.size()]))
          << "cycle " << int(choice.cycle) << ", process " << i;
    }
    EXPECT_EQ(scene.engine.Policy().NextCpu, int(choice.cpus[2 % choice.cpus.size()]) + 1);
  }
}

TEST_P(CycleOnManyCpus, IsolateSpreadsTheOthersOverTheCycleAfterCpuOne) {
  for (const Choice& choice : Choices()) {
    const std::vector<unsigned> rest(choice.cpus.begin() + 1, choice.cpus.end());
    const int others = int(rest.size()) + 1;
    Scene scene(cpus, choice.cycle, others + 1);
    scene.engine.RefreshProcesses();
    scene.engine.Table().SetSelected(0, true);
    scene.engine.Isolate();
    EXPECT_EQ(LandedOn(scene.machine, 1), Cpu(0)) << "cycle " << int(choice.cycle);
    for (int i = 0; i < others; ++i) {
      EXPECT_EQ(LandedOn(scene.machine, Pid(i + 2)), Given(rest[std::size_t(i) % rest.size()]))
          << "cycle " << int(choice.cycle) << ", process " << i;
    }
    // Mode Automatic goes on from where the spreading stopped.
    EXPECT_EQ(scene.engine.Policy().NextCpu, int(rest[1 % rest.size()]) + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Machines, CycleOnManyCpus, ::testing::Values(1, 2, 3, 4, 8, 16, 64, 256));

INSTANTIATE_TEST_SUITE_P(Machines, ManyCpus, ::testing::Values(1, 2, 3, 4, 8, 16, 64, 256));

}  // namespace
}  // namespace mervale
