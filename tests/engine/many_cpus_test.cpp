#include <gtest/gtest.h>

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

INSTANTIATE_TEST_SUITE_P(Machines, ManyCpus, ::testing::Values(1, 2, 3, 4, 8, 16, 64, 256));

}  // namespace
}  // namespace mervale
