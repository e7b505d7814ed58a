// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/sysfs_topology.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "tests/common/cpu_lists.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;

using testing::List;
using testing::Lists;

// A machine as the kernel's CPU lists describe it.
struct Layout {
  std::string online;
  std::vector<std::string> cores;
  std::vector<std::string> clusters;  // the CPUs sharing each level-2 cache
  std::vector<std::string> dies;      // the CPUs sharing each level-3 cache
  std::vector<std::string> nodes;
  std::string performance, efficiency;  // written only when not empty
};

// CPU lists of `groups` groups of `perGroup` cores each, thread t of core c being CPU
// c + t * cores, as Linux numbers the threads of x86 processors.
std::vector<std::string> Groups(unsigned groups, unsigned perGroup, unsigned threads) {
  const unsigned cores = groups * perGroup;
  std::vector<std::string> lists;
  for (unsigned g = 0; g < groups; ++g) {
    std::string list;
    for (unsigned t = 0; t < threads; ++t) {
      const unsigned first = g * perGroup + t * cores;
      list += (t ? "," : "") + std::to_string(first) + "-" + std::to_string(first + perGroup - 1);
    }
    lists.push_back(list);
  }
  return lists;
}

// A made-up /sys in a directory of its own, removed with the object.
class SysfsTree {
 public:
  SysfsTree() {
    // Test processes run side by side: a random name keeps their trees apart.
    root_ = fs::temp_directory_path() / ("mervale-sysfs-" + std::to_string(std::random_device{}()));
    fs::create_directory(root_);
  }
  ~SysfsTree() { fs::remove_all(root_); }

  void Write(const std::string& relative, const std::string& text) const {
    const fs::path path = root_ / "sys/devices" / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
  }
  void Remove(const std::string& relative) const {
    fs::remove_all(root_ / "sys/devices" / relative);
  }

  // Every file the reader looks at, for each CPU the lists name.
  void Build(const Layout& layout) const {
    Write("system/cpu/online", layout.online + "\n");
    const auto each = [&](const std::vector<std::string>& groups, const auto& write) {
      for (const std::string& group : groups) {
        for (const unsigned cpu : List(group)) write(Cpu(cpu), group + "\n");
      }
    };
    each(layout.cores, [&](const std::string& cpu, const std::string& list) {
      Write(cpu + "/topology/core_cpus_list", list);
      Write(cpu + "/topology/thread_siblings_list", list);
      Cache(cpu, 0, "1", "Data", list);
      Cache(cpu, 1, "1", "Instruction", list);
    });
    each(layout.clusters, [&](const std::string& cpu, const std::string& list) {
      Cache(cpu, 2, "2", "Unified", list);
    });
    each(layout.dies, [&](const std::string& cpu, const std::string& list) {
      Cache(cpu, 3, "3", "Unified", list);
    });
    for (std::size_t node = 0; node < layout.nodes.size(); ++node) {
      Write("system/node/node" + std::to_string(node) + "/cpulist", layout.nodes[node] + "\n");
    }
    if (!layout.performance.empty()) Write("cpu_core/cpus", layout.performance + "\n");
    if (!layout.efficiency.empty()) Write("cpu_atom/cpus", layout.efficiency + "\n");
  }

  static std::string Cpu(unsigned cpu) { return "system/cpu/cpu" + std::to_string(cpu); }
  void Cache(const std::string& cpu, int index, const char* level, const char* type,
             const std::string& shared) const {
    const std::string dir = cpu + "/cache/index" + std::to_string(index);
    Write(dir + "/level", std::string(level) + "\n");
    Write(dir + "/type", std::string(type) + "\n");
    Write(dir + "/shared_cpu_list", shared);
  }

  const fs::path& root() const { return root_; }

 private:
  fs::path root_;
};

void ExpectTopology(const std::optional<CpuTopology>& topology, const Layout& want,
                    const std::string& name) {
  ASSERT_TRUE(topology) << name;
  EXPECT_EQ(topology->online, List(want.online)) << name;
  EXPECT_EQ(topology->cores, Lists(want.cores)) << name;
  EXPECT_EQ(topology->cacheDomains, Lists(want.dies)) << name;
  EXPECT_EQ(topology->numaNodes, Lists(want.nodes)) << name;
  EXPECT_EQ(topology->performanceCpus, List(want.performance)) << name;
  EXPECT_EQ(topology->efficiencyCpus, List(want.efficiency)) << name;
}

Layout Hybrid() {
  // 8 performance cores with two threads each (siblings side by side, as on hybrid processors),
  // then 8 efficiency cores sharing a level-2 cache by fours; one level-3 cache for all.
  Layout layout{"0-23", {}, {}, {"0-23"}, {"0-23"}, "0-15", "16-23"};
  for (unsigned cpu = 0; cpu < 16; cpu += 2) {
    layout.cores.push_back(std::to_string(cpu) + "-" + std::to_string(cpu + 1));
    layout.clusters.push_back(layout.cores.back());
  }
  for (unsigned cpu = 16; cpu < 24; ++cpu) layout.cores.push_back(std::to_string(cpu));
  layout.clusters.insert(layout.clusters.end(), {"16-19", "20-23"});
  return layout;
}

Layout TwoCacheDies() {
  const auto cores = Groups(16, 1, 2);
  return {"0-31", cores, cores, Groups(2, 8, 2), {"0-31"}, "", ""};
}

Layout TwoNumaNodes() {
  const auto cores = Groups(64, 1, 2);
  const auto nodes = Groups(2, 32, 2);
  return {"0-127", cores, cores, nodes, nodes, "", ""};
}

TEST(ReadSysfsTopology, DescribesMadeUpMachines) {
  const struct {
    const char* name;
    Layout layout;
  } cases[] = {{"hybrid", Hybrid()},
               {"two cache dies", TwoCacheDies()},
               {"128 CPUs on two NUMA nodes", TwoNumaNodes()}};
  for (const auto& c : cases) {
    SysfsTree tree;
    tree.Build(c.layout);
    const auto topology = ReadSysfsTopology(tree.root());
    ExpectTopology(topology, c.layout, c.name);
    if (topology) {
      EXPECT_EQ(topology->OneThreadPerCore().size(), c.layout.cores.size()) << c.name;
    }
  }
}

// Eight CPUs in four cores of two threads (0+4, 1+5, ...), two level-3 dies, two nodes.
Layout Small() {
  const auto cores = Groups(4, 1, 2);
  const auto halves = Groups(2, 2, 2);
  return {"0-7", cores, cores, halves, halves, "", ""};
}

TEST(ReadSysfsTopology, LeavesOutOnlyWhatAMissingOrGarbledFileWouldHaveTold) {
  using Tree = const SysfsTree&;
  const struct {
    const char* name;
    std::function<void(Tree)> spoil;
    Layout want;
  } cases[] = {
      {"core_cpus_list missing: thread_siblings_list",
       [](Tree t) {
         for (int cpu = 0; cpu < 8; ++cpu) t.Remove(t.Cpu(cpu) + "/topology/core_cpus_list");
       },
       Small()},
      {"one sibling's core file garbled: the other names the core",
       [](Tree t) {
         t.Write(t.Cpu(1) + "/topology/core_cpus_list", "1,5-");
         t.Write(t.Cpu(1) + "/topology/thread_siblings_list", "x");
       },
       Small()},
      {"no core files: plain CPUs",
       [](Tree t) {
         for (int cpu = 0; cpu < 8; ++cpu) t.Remove(t.Cpu(cpu) + "/topology");
       },
       {"0-7", Groups(8, 1, 1), {}, Small().dies, Small().nodes, "", ""}},
      {"a core file that leaves out its own CPU is ignored",
       [](Tree t) {
         for (const int cpu : {0, 4}) t.Write(t.Cpu(cpu) + "/topology/core_cpus_list", "1,5");
       },
       {"0-7", {"0", "1,5", "2,6", "3,7", "4"}, {}, Small().dies, Small().nodes, "", ""}},
      {"offline CPUs leave every group",
       [](Tree t) { t.Write("system/cpu/online", "0-5\n"); },
       {"0-5", {"0,4", "1,5", "2", "3"}, {}, {"0-1,4-5", "2-3"}, {"0-1,4-5", "2-3"}, "", ""}},
      {"no level-3 cache: the level-2 caches are the last level",
       [](Tree t) {
         for (int cpu = 0; cpu < 8; ++cpu) t.Remove(t.Cpu(cpu) + "/cache/index3");
       },
       {"0-7", Small().cores, {}, Small().cores, Small().nodes, "", ""}},
      {"a level that is not a number does not count",
       [](Tree t) {
         for (int cpu = 0; cpu < 8; ++cpu) t.Write(t.Cpu(cpu) + "/cache/index3/level", "three\n");
       },
       {"0-7", Small().cores, {}, Small().cores, Small().nodes, "", ""}},
      {"only level-1 caches: the data cache is the last level",
       [](Tree t) {
         for (int cpu = 0; cpu < 8; ++cpu) {
           t.Remove(t.Cpu(cpu) + "/cache/index2");
           t.Remove(t.Cpu(cpu) + "/cache/index3");
           t.Write(t.Cpu(cpu) + "/cache/index1/shared_cpu_list", std::to_string(cpu));
         }
       },
       {"0-7", Small().cores, {}, Small().cores, Small().nodes, "", ""}},
      {"no cache directories: no domains",
       [](Tree t) {
         for (int cpu = 0; cpu < 8; ++cpu) t.Remove(t.Cpu(cpu) + "/cache");
       },
       {"0-7", Small().cores, {}, {}, Small().nodes, "", ""}},
      {"a garbled node and a node without CPUs are left out",
       [](Tree t) {
         t.Write("system/node/node1/cpulist", "2-3,6-\n");
         t.Write("system/node/node2/cpulist", "\n");
         t.Write("system/node/nodeX/cpulist", "0-7\n");
       },
       {"0-7", Small().cores, {}, Small().dies, {"0-1,4-5"}, "", ""}},
      {"an oversized file is no CPU list",
       [](Tree t) {
         // Cut anywhere but at its end, this list would still read as CPUs.
         std::string list = "2-3,6-7";
         while (list.size() < 100 * 1024) list += ",2";
         t.Write("system/node/node1/cpulist", list);
       },
       {"0-7", Small().cores, {}, Small().dies, {"0-1,4-5"}, "", ""}},
      {"only performance cores listed: no hybrid",
       [](Tree t) { t.Write("cpu_core/cpus", "0-7\n"); }, Small()},
  };
  for (const auto& c : cases) {
    SysfsTree tree;
    tree.Build(Small());
    c.spoil(tree);
    ExpectTopology(ReadSysfsTopology(tree.root()), c.want, c.name);
  }
}

TEST(ReadSysfsTopology, IsNothingWithoutTheOnlineCpus) {
  for (const char* online : {static_cast<const char*>(nullptr), "", "0-", "all"}) {
    SysfsTree tree;
    tree.Build(Small());
    if (online) {
      tree.Write("system/cpu/online", online);
    } else {
      tree.Remove("system/cpu/online");
    }
    EXPECT_FALSE(ReadSysfsTopology(tree.root())) << (online ? online : "missing");
  }
}

}  // namespace
}  // namespace mervale
