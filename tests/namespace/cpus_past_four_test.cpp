// SPDX-License-Identifier: GPL-3.0-or-later

// Real processes on the CPUs past the fourth, through the engine over the real Linux backend: a
// pass in each mode and the set given to selected processes, checked thread by thread against the
// kernel. Only a machine with at least eight online CPUs can tell anything here: elsewhere the
// tests skip, unless the machine was shaped to have them (scripts/guest-test.sh says so), since a
// guest that came up with fewer CPUs must not pass by skipping.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/cpu_topology.h"
#include "engine/platform/linux/linux_platform.h"
#include "tests/common/kernel_affinity.h"
#include "tests/common/shaped_machine.h"
#include "tests/namespace/namespace_children.h"

namespace mervale {
namespace {

using testing::AffinityOf;
using testing::MaskTextOf;
using testing::ThreadedChild;

constexpr unsigned kCpusNeeded = 8;
constexpr int kExtraThreads = 3;

// A set of CPUs a row names: fixed CPUs, or one the machine's layout gives.
using SetSource = std::function<CpuNumbers(const CpuTopology&)>;

SetSource Cpus(CpuNumbers cpus) {
  return [cpus](const CpuTopology&) { return cpus; };
}
CpuNumbers EveryCpu(const CpuTopology& machine) {
  return machine.online;
}
CpuNumbers LastCoresThreads(const CpuTopology& machine) {
  return machine.cores.back();
}
CpuNumbers LastNumaNode(const CpuTopology& machine) {
  return machine.numaNodes.empty() ? machine.online : machine.numaNodes.back();
}
CpuNumbers OneThreadPerCore(const CpuTopology& machine) {
  return machine.OneThreadPerCore();
}
const SetSource kCpus5To8 = Cpus({4, 5, 6, 7});

class CpusPastFour : public ::testing::Test {
 protected:
  void SetUp() override {
    // Outside its own namespace a pass would re-pin every process of the machine.
    ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
    allCpus = platform.OnlineCpus().Numbers();
    if (allCpus.size() < kCpusNeeded) {
      const unsigned shaped = testing::ShapedMachineValue("MERVALE_EXPECT_CPUS");
      ASSERT_LT(shaped, kCpusNeeded) << "the machine was shaped with " << shaped << " CPUs, but "
                                     << allCpus.size() << " are online";
      GTEST_SKIP() << "needs " << kCpusNeeded << " online CPUs; this machine has "
                   << allCpus.size();
    }
    // Children start on every CPU, so whatever narrows them is the engine's doing.
    ASSERT_TRUE(testing::Pin(0, allCpus));
    ASSERT_EQ(AffinityOf(0), allCpus) << "this program may not use every CPU";
    machine = MachineTopology();
    textWidth = allCpus.back() + 1;
    engine.RefreshProcesses();  // mode Off: learns this program
  }

  // Children that the next pass sees as new, each on every CPU with all its threads running.
  std::vector<std::unique_ptr<ThreadedChild>> StartChildren(int count) {
    std::vector<std::unique_ptr<ThreadedChild>> children;
    for (int i = 0; i < count; ++i) {
      children.push_back(std::make_unique<ThreadedChild>(kExtraThreads));
      EXPECT_EQ(AffinityOf(static_cast<pid_t>(children.back()->pid())), allCpus);
    }
    return children;
  }

  // Every thread of the process is on `cpus` alone, and its row shows them.
  void ExpectOn(Pid pid, const CpuNumbers& cpus) {
    const std::vector<pid_t> threads = testing::ThreadsOf(static_cast<pid_t>(pid));
    EXPECT_EQ(threads.size(), std::size_t{kExtraThreads + 1}) << "process " << pid;
    for (const pid_t thread : threads) {
      EXPECT_EQ(AffinityOf(thread), cpus) << "thread " << thread << " of " << pid;
    }
    const ProcessRow* row = engine.Table().FindRow(pid);
    ASSERT_NE(row, nullptr) << "process " << pid;
    EXPECT_EQ(row->maskText, MaskTextOf(cpus, textWidth)) << "process " << pid;
  }

  LinuxProcessPlatform platform;
  testing::NoFailures reporter;
  AffinityEngine engine{platform, reporter};
  CpuNumbers allCpus;
  CpuTopology machine;
  std::size_t textWidth = 0;
};

// A pass in one mode over children it has not seen: child i must end up on sets[i % size].
struct ModePass {
  const char* name;
  Mode mode;
  // In Manual mode, the profile's entry for the children's name; none leaves them without one.
  std::optional<SetSource> entry;
  // Anything else the mode works with, set before the pass.
  std::function<void(AssignmentPolicy&, const CpuTopology&)> adjust;
  std::vector<SetSource> sets;
};

void PrintTo(const ModePass& pass, std::ostream* out) {
  *out << pass.name;
}

class ModePassOnManyCpus : public CpusPastFour, public ::testing::WithParamInterface<ModePass> {};

TEST_P(ModePassOnManyCpus, PinsEveryThreadOfEveryNewChild) {
  const ModePass& pass = GetParam();
  constexpr int kChildren = 4;
  const auto children = StartChildren(kChildren);
  AssignmentPolicy& policy = engine.Policy();
  policy.mode = pass.mode;
  if (pass.entry) {
    const std::string name = testing::ExecutableOf(children.front()->pid());
    policy.profileList = {MaskTextOf((*pass.entry)(machine), textWidth) + ": " + name};
  }
  if (pass.adjust) pass.adjust(policy, machine);
  engine.RefreshProcesses();
  for (std::size_t i = 0; i < children.size(); ++i) {
    ExpectOn(children[i]->pid(), pass.sets[i % pass.sets.size()](machine));
  }
}

// The round robin over the cycle the user chose, starting at CPU `firstCpu`.
std::function<void(AssignmentPolicy&, const CpuTopology&)> CycleOver(CpuCycle cycle,
                                                                     std::int32_t firstCpu = 1) {
  return [=](AssignmentPolicy& policy, const CpuTopology& machine) {
    policy.topology = machine;
    policy.cycle = cycle;
    UpdateCycleCpus(policy);
    policy.nextCpu = firstCpu;
  };
}

// The first thread of the machine's core `core` (from 0).
SetSource FirstThreadOfCore(std::size_t core) {
  return
      [=](const CpuTopology& machine) { return CpuNumbers{machine.OneThreadPerCore().at(core)}; };
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModePassOnManyCpus,
    ::testing::Values(
        ModePass{"ManualEntryNamingCpus5To8", Mode::kManual, kCpus5To8, {}, {kCpus5To8}},
        ModePass{"ManualEntryOfTheLastCoresThreads",
                 Mode::kManual,
                 LastCoresThreads,
                 {},
                 {LastCoresThreads}},
        ModePass{"ManualEntryOfTheLastNumaNode", Mode::kManual, LastNumaNode, {}, {LastNumaNode}},
        ModePass{"ManualWithoutEntry", Mode::kManual, std::nullopt, {}, {EveryCpu}},
        ModePass{"Cpu1", Mode::kCpu1, std::nullopt, {}, {Cpus({0})}},
        ModePass{"Cpu2", Mode::kCpu2, std::nullopt, {}, {Cpus({1})}},
        ModePass{"Off", Mode::kOff, std::nullopt, {}, {EveryCpu}},
        ModePass{"AutomaticOverTwo",
                 Mode::kAutomatic,
                 std::nullopt,
                 CycleOver(CpuCycle::kTwoCpus),
                 {Cpus({0}), Cpus({1})}},
        ModePass{"AutomaticQuadCore",
                 Mode::kAutomatic,
                 std::nullopt,
                 CycleOver(CpuCycle::kFourCpus),
                 {Cpus({0}), Cpus({1}), Cpus({2}), Cpus({3})}},
        // Four processes came before: the children take CPUs 5 to 8 in turn.
        ModePass{"AutomaticOverAllCpusFromCpu5",
                 Mode::kAutomatic,
                 std::nullopt,
                 CycleOver(CpuCycle::kAllCpus, 5),
                 {Cpus({4}), Cpus({5}), Cpus({6}), Cpus({7})}},
        ModePass{"AutomaticOneThreadPerCore",
                 Mode::kAutomatic,
                 std::nullopt,
                 CycleOver(CpuCycle::kOneThreadPerCore),
                 {FirstThreadOfCore(0), FirstThreadOfCore(1), FirstThreadOfCore(2),
                  FirstThreadOfCore(3)}}),
    [](const ::testing::TestParamInfo<ModePass>& info) { return std::string(info.param.name); });

// Isolate: the selected process goes to CPU 1, the others share the cycle's CPUs outside CPU 1's
// core (every CPU outside it when the cycle has none there), each with every thread.
struct IsolateCase {
  const char* name;
  std::function<void(AssignmentPolicy&, const CpuTopology&)> adjust;
  SetSource cycle;
};

void PrintTo(const IsolateCase& isolate, std::ostream* out) {
  *out << isolate.name;
}

CpuNumbers OutsideFirstCore(CpuNumbers cpus, const CpuTopology& machine) {
  std::erase_if(cpus, [&](unsigned cpu) { return std::ranges::count(machine.cores[0], cpu) > 0; });
  return cpus;
}

class IsolateOnManyCpus : public CpusPastFour, public ::testing::WithParamInterface<IsolateCase> {};

TEST_P(IsolateOnManyCpus, PutsTheSelectedOnCpu1AndTheOthersOutsideItsCore) {
  const IsolateCase& isolate = GetParam();
  engine.Policy().exclusionList = {"mervale"};
  const auto children = StartChildren(4);
  engine.RefreshProcesses();
  const Pid selected = children[0]->pid();
  for (int i = 0; i < engine.Table().RowCount(); ++i) {
    engine.Table().SetSelected(i, engine.Table().RowAt(i).pid == selected);
  }
  isolate.adjust(engine.Policy(), machine);
  engine.Isolate();
  ExpectOn(selected, {0});
  CpuNumbers others = OutsideFirstCore(isolate.cycle(machine), machine);
  if (others.empty()) others = OutsideFirstCore(machine.online, machine);
  for (std::size_t i = 1; i < children.size(); ++i) ExpectOn(children[i]->pid(), others);
}

INSTANTIATE_TEST_SUITE_P(
    Rounds, IsolateOnManyCpus,
    ::testing::Values(IsolateCase{"OverTwo", CycleOver(CpuCycle::kTwoCpus), Cpus({0, 1})},
                      IsolateCase{"QuadCore", CycleOver(CpuCycle::kFourCpus), Cpus({0, 1, 2, 3})},
                      IsolateCase{"AllCpus", CycleOver(CpuCycle::kAllCpus), EveryCpu},
                      IsolateCase{"OneThreadPerCore", CycleOver(CpuCycle::kOneThreadPerCore),
                                  OneThreadPerCore}),
    [](const ::testing::TestParamInfo<IsolateCase>& info) { return std::string(info.param.name); });

// The set the user gives the selected processes.
struct GivenSet {
  const char* name;
  SetSource set;
};

void PrintTo(const GivenSet& given, std::ostream* out) {
  *out << given.name;
}

class SetGivenOnManyCpus : public CpusPastFour, public ::testing::WithParamInterface<GivenSet> {};

TEST_P(SetGivenOnManyCpus, LandsOnEveryThreadOfTheSelectedProcessOnly) {
  engine.Policy().mode = Mode::kCpu1;
  const auto children = StartChildren(2);
  engine.RefreshProcesses();
  const Pid selected = children[0]->pid();
  const Pid other = children[1]->pid();
  ExpectOn(selected, {0});
  for (int i = 0; i < engine.Table().RowCount(); ++i) {
    engine.Table().SetSelected(i, engine.Table().RowAt(i).pid == selected);
  }
  const CpuNumbers set = GetParam().set(machine);
  engine.ApplyToSelected(CpuSet::FromNumbers(set));
  ExpectOn(selected, set);
  ExpectOn(other, {0});
}

INSTANTIATE_TEST_SUITE_P(Sets, SetGivenOnManyCpus,
                         ::testing::Values(GivenSet{"Cpus5To8", kCpus5To8},
                                           GivenSet{"Cpu8Alone", Cpus({7})},
                                           GivenSet{"TheLastCoresThreads", LastCoresThreads},
                                           GivenSet{"TheLastNumaNode", LastNumaNode},
                                           GivenSet{"OneThreadPerCore", OneThreadPerCore},
                                           GivenSet{"EveryCpu", EveryCpu}),
                         [](const ::testing::TestParamInfo<GivenSet>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace mervale
