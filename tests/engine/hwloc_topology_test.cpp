// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/hwloc/hwloc_topology.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/cpu_lists.h"
#include "tests/common/synthetic_machine.h"

namespace mervale {
namespace {

using testing::Allow;
using testing::Kinds;
using testing::List;
using testing::Lists;
using testing::SyntheticTopology;

TEST(TopologyOf, ReadsWhatHwlocSeesOfTheCpusThisProcessMayUse) {
  const struct {
    const char* name;
    CpuTopology topology;
    const char* online;
    std::size_t cores;
    const char* firstCore;
    std::vector<std::string> caches, nodes;
    const char *performance, *efficiency;
  } cases[] = {
      {"two packages of two nodes, an L3 each",
       SyntheticTopology("pack:2 numa:2 l3:1 core:4 pu:2"),
       "0-31",
       16,
       "0-1",
       {"0-7", "8-15", "16-23", "24-31"},
       {"0-7", "8-15", "16-23", "24-31"},
       "",
       ""},
      {"the last level is the highest the machine has",
       SyntheticTopology("pack:1 l2:4 l1:2 core:1 pu:1"),
       "0-7",
       8,
       "0",
       {"0-1", "2-3", "4-5", "6-7"},
       {"0-7"},
       "",
       ""},
      {"hybrid of three kinds, none Intel's",
       SyntheticTopology("pack:1 l2:4 core:2 pu:1", {Kinds({"0-3", "4-6", "7"})}),
       "0-7",
       8,
       "0",
       {"0-1", "2-3", "4-5", "6-7"},
       {"0-7"},
       "7",
       "0-6"},
      {"a cgroup allows CPUs 2 to 5",
       SyntheticTopology("pack:1 l3:2 core:4 pu:1", {Allow("2-5")}),
       "2-5",
       4,
       "2",
       {"2-3", "4-5"},
       {"2-5"},
       "",
       ""},
      {"a cgroup leaves only efficient cores: no hybrid left",
       SyntheticTopology("pack:1 core:8 pu:1", {Kinds({"0-3", "4-7"}), Allow("0-3")}),
       "0-3",
       4,
       "0",
       {},
       {"0-3"},
       "",
       ""},
      {"the second processor group of 64, numbered from 0",
       SyntheticTopology("pack:2 core:32 pu:2", {}, {64, 64}),
       "0-63",
       32,
       "0-1",
       {},
       {"0-63"},
       "",
       ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.topology.online, List(c.online)) << c.name;
    ASSERT_EQ(c.topology.cores.size(), c.cores) << c.name;
    EXPECT_EQ(c.topology.cores.front(), List(c.firstCore)) << c.name;
    EXPECT_EQ(c.topology.cacheDomains, Lists(c.caches)) << c.name;
    EXPECT_EQ(c.topology.numaNodes, Lists(c.nodes)) << c.name;
    EXPECT_EQ(c.topology.performanceCpus, List(c.performance)) << c.name;
    EXPECT_EQ(c.topology.efficiencyCpus, List(c.efficiency)) << c.name;
  }
}

}  // namespace
}  // namespace mervale
