// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/cpu_topology.h"
#include "tests/common/kernel_affinity.h"
#include "tests/common/shaped_machine.h"

namespace mervale {
namespace {

using testing::AffinityOf;
using testing::Pin;
using testing::ShapedMachineValue;

bool Within(const CpuNumbers& part, const CpuNumbers& whole) {
  return std::includes(whole.begin(), whole.end(), part.begin(), part.end());
}

TEST(MachineTopology, AgreesWithTheScheduler) {
  const CpuTopology topology = MachineTopology();
  ASSERT_FALSE(topology.online.empty());
  EXPECT_EQ(topology.online.size(), static_cast<std::size_t>(sysconf(_SC_NPROCESSORS_ONLN)));
  EXPECT_TRUE(Within(AffinityOf(0), topology.online));
  if (const unsigned cpus = ShapedMachineValue("MERVALE_EXPECT_CPUS")) {
    EXPECT_EQ(topology.online.size(), cpus);
  }
  if (const unsigned threads = ShapedMachineValue("MERVALE_EXPECT_THREADS_PER_CORE")) {
    for (const CpuNumbers& core : topology.cores) EXPECT_EQ(core.size(), threads);
  }
}

TEST(MachineTopology, EveryCoreSharesOneLastLevelCacheAndOneNode) {
  const CpuTopology topology = MachineTopology();
  for (const auto* domains : {&topology.cacheDomains, &topology.numaNodes}) {
    if (domains->empty()) continue;
    for (const CpuNumbers& core : topology.cores) {
      EXPECT_EQ(std::count_if(domains->begin(), domains->end(),
                              [&](const CpuNumbers& domain) { return Within(core, domain); }),
                1)
          << "core of CPU " << core.front();
    }
  }
}

TEST(MachineTopology, EverySetItNamesCanBeGivenToAProcess) {
  const CpuTopology topology = MachineTopology();
  const CpuNumbers usable = AffinityOf(0);
  std::vector<CpuNumbers> sets{topology.online, topology.OneThreadPerCore(),
                               topology.performanceCpus, topology.efficiencyCpus};
  for (const auto* list : {&topology.cores, &topology.cacheDomains, &topology.numaNodes}) {
    sets.insert(sets.end(), list->begin(), list->end());
  }

  const pid_t child = fork();
  if (child == 0) {
    for (;;) pause();
  }
  ASSERT_GT(child, 0);
  for (const CpuNumbers& set : sets) {
    // A CPU set of a container or a test runner may leave some CPUs out of reach.
    if (set.empty() || !Within(set, usable)) continue;
    EXPECT_TRUE(Pin(child, set)) << "set from CPU " << set.front();
    EXPECT_EQ(AffinityOf(child), set) << "set from CPU " << set.front();
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace mervale
