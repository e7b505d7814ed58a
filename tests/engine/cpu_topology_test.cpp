// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_topology.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/cpu_lists.h"

namespace mervale {
namespace {

using testing::List;
using testing::Lists;

TEST(MakeTopology, KeepsOnlineCpusOnceInTheFirstGroupThatNamesThem) {
  const struct {
    const char* name;
    CpuTopology found;
    std::vector<std::string> cores, caches, nodes;
  } cases[] = {
      {"offline CPUs leave their groups",
       {List("0-3"),
        Lists({"0,4", "1-2", "3,5"}),
        {},
        {},
        Lists({"0-7"}),
        Lists({"4-7", "0-3"}),
        {}},
       {"0", "1-2", "3"},
       {"0-3"},
       {"0-3"}},
      {"a CPU named twice stays in the first group",
       {List("0-3"), Lists({"0-1", "1-2", "3"}), {}, {}, Lists({"2-3", "0-2"}), {}, {}},
       {"0-1", "2", "3"},
       {"0-1", "2-3"},
       {}},
      {"CPUs no core names become cores of their own, in order",
       {List("0-5"), Lists({"4-5"}), {}, {}, {}, {}, {}},
       {"0", "1", "2", "3", "4-5"},
       {},
       {}},
      {"groups are ordered by their first CPU",
       {List("0-7"), Lists({"6-7", "0,4", "1-3,5"}), {}, {}, Lists({"4-7", "0-3"}), {}, {}},
       {"0,4", "1-3,5", "6-7"},
       {"0-3", "4-7"},
       {}},
  };
  for (const auto& c : cases) {
    const CpuTopology topology = MakeTopology(c.found);
    EXPECT_EQ(topology.cores, Lists(c.cores)) << c.name;
    EXPECT_EQ(topology.cacheDomains, Lists(c.caches)) << c.name;
    EXPECT_EQ(topology.numaNodes, Lists(c.nodes)) << c.name;
  }
}

TEST(MakeTopology, KnowsTwoCoreKindsOnlyWhenBothHaveOnlineCpus) {
  const struct {
    const char* name;
    const char *performance, *efficiency;
    const char *wantPerformance, *wantEfficiency;
  } cases[] = {
      {"hybrid", "0-3,9", "4-7", "0-3", "4-7"},
      {"efficiency cores offline", "0-3", "8-9", "", ""},
      {"one kind only", "0-7", "", "", ""},
  };
  for (const auto& c : cases) {
    const CpuTopology topology =
        MakeTopology({List("0-7"), {}, List(c.performance), List(c.efficiency), {}, {}, {}});
    EXPECT_EQ(topology.performanceCpus, List(c.wantPerformance)) << c.name;
    EXPECT_EQ(topology.efficiencyCpus, List(c.wantEfficiency)) << c.name;
  }
}

TEST(PlainTopology, GivesEveryCpuACoreOfItsOwn) {
  for (const unsigned count : {1u, 4u, 256u}) {
    const CpuTopology topology = PlainTopology(count);
    ASSERT_EQ(topology.online.size(), count);
    EXPECT_EQ(topology.cores.size(), count);
    EXPECT_EQ(topology.OneThreadPerCore(), topology.online);
    EXPECT_TRUE(topology.cacheDomains.empty() && topology.numaNodes.empty());
  }
}

TEST(OneThreadPerCore, TakesTheFirstThreadOfEachCore) {
  const CpuTopology topology =
      MakeTopology({List("0-9"), Lists({"0,5", "1,6", "2-4", "7"}), {}, {}, {}, {}, {}});
  EXPECT_EQ(topology.OneThreadPerCore(), List("0-2,7-9"));
}

}  // namespace
}  // namespace mervale
