#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/set_entries.h"
#include "program_fixture.h"
#include "tests/common/cpu_lists.h"

namespace mervale {
namespace {

using testing::List;
using testing::Lists;

std::string English(ExtraCaption caption) {
  return ExtraCaptionText({}, caption);
}

CpuTopology Layout(const std::string& online, const std::vector<std::string>& cores,
                   const std::string& performance, const std::string& efficiency,
                   const std::vector<std::string>& caches, const std::vector<std::string>& nodes) {
  return MakeTopology({List(online), Lists(cores), List(performance), List(efficiency),
                       Lists(caches), Lists(nodes)});
}

// Cores of two threads whose siblings lie `count` CPUs apart, as Linux numbers them.
std::vector<std::string> SiblingCores(unsigned count) {
  std::vector<std::string> cores;
  for (unsigned core = 0; core < count; ++core)
    cores.push_back(std::to_string(core) + "," + std::to_string(core + count));
  return cores;
}

// 8 performance cores of two threads (CPUs 1-16) and 8 efficiency cores (CPUs 17-24).
CpuTopology Hybrid() {
  std::vector<std::string> cores;
  for (unsigned cpu = 0; cpu < 16; cpu += 2)
    cores.push_back(std::to_string(cpu) + "-" + std::to_string(cpu + 1));
  for (unsigned cpu = 16; cpu < 24; ++cpu) cores.push_back(std::to_string(cpu));
  return Layout("0-23", cores, "0-15", "16-23", {"0-23"}, {"0-23"});
}

struct MachineCase {
  const char* name;
  CpuTopology topology;
  // Items of "All CPUs" by name: each one's CPUs as a kernel list; "" for a submenu or the dialog.
  std::map<std::string, std::string> items;
  // Names that must not be offered.
  std::vector<std::string> absent;
  std::size_t itemsPerMenu;
};

std::vector<MachineCase> Machines() {
  return {
      {"hybrid: 8 performance cores of two threads, 8 efficiency cores",
       Hybrid(),
       {{"SingleCpus1", ""},
        {"Cpu1_1", "0"},
        {"Cpu24_1", "23"},
        {"Core1_1", "0-1"},
        {"Core8_1", "14-15"},
        {"PerformanceCores1", "0-15"},
        {"EfficiencyCores1", "16-23"},
        {"OneThreadPerCore1", "0,2,4,6,8,10,12,14,16-23"},
        {"EveryCpu1", "0-23"},
        {"ChooseCpus1", ""}},
       {"Core9_1", "CacheDomain1_1", "NumaNode1_1"},
       1 + 24 + 8 + 2 + 1 + 2},
      {"two cache dies of 8 cores of two threads",
       Layout("0-31", SiblingCores(16), "", "", {"0-7,16-23", "8-15,24-31"}, {"0-31"}),
       {{"Core1_1", "0,16"},
        {"Core16_1", "15,31"},
        {"CacheDomain1_1", "0-7,16-23"},
        {"CacheDomain2_1", "8-15,24-31"},
        {"OneThreadPerCore1", "0-15"},
        {"EveryCpu1", "0-31"}},
       {"PerformanceCores1", "EfficiencyCores1", "NumaNode1_1", "Core17_1"},
       1 + 32 + 16 + 2 + 1 + 2},
      {"128 CPUs on two NUMA nodes",
       Layout("0-127", SiblingCores(64), "", "", {"0-31,64-95", "32-63,96-127"},
              {"0-31,64-95", "32-63,96-127"}),
       {{"Cpu128_1", "127"},
        {"CacheDomain2_1", "32-63,96-127"},
        {"NumaNode1_1", "0-31,64-95"},
        {"NumaNode2_1", "32-63,96-127"},
        {"OneThreadPerCore1", "0-63"},
        {"EveryCpu1", "0-127"}},
       // Too many cores to list: the dialog offers each.
       {"Core1_1", "PerformanceCores1"},
       1 + 128 + 2 + 2 + 1 + 2},
      {"8 plain CPUs",
       PlainTopology(8),
       {{"Cpu1_1", "0"}, {"Cpu8_1", "7"}, {"EveryCpu1", "0-7"}, {"ChooseCpus1", ""}},
       {"SingleCpus1", "Core1_1", "OneThreadPerCore1", "CacheDomain1_1", "NumaNode1_1"},
       8 + 2},
      {"256 plain CPUs",
       PlainTopology(256),
       {{"SingleCpus1", ""}, {"Cpu256_1", "255"}, {"EveryCpu1", "0-255"}},
       {"Core1_1", "OneThreadPerCore1"},
       1 + 256 + 2},
  };
}

TEST(MachineSetItems, OfferTheMachinesOwnSetsInBothMenus) {
  for (const MachineCase& c : Machines()) {
    const CpuSet online = CpuSet::FromNumbers(c.topology.online);
    const std::vector<MachineSetItem> items = MachineSetItems(c.topology, online, English);
    ASSERT_EQ(items.size(), 2 * c.itemsPerMenu) << c.name;
    std::map<std::string, const MachineSetItem*> byName;
    for (const MachineSetItem& item : items) {
      EXPECT_TRUE(byName.emplace(item.name, &item).second) << c.name << ": twice " << item.name;
      // A parent comes before its children, and "Add to list" items record.
      EXPECT_TRUE(item.parent == "AllCPUs1" || item.parent == "Addtolist1" ||
                  byName.count(item.parent))
          << c.name << ": " << item.name;
      EXPECT_EQ(item.addToList, item.name.back() == '2') << c.name << ": " << item.name;
      EXPECT_TRUE(item.set.IsSubsetOf(online)) << c.name << ": " << item.name;
    }
    for (const auto& [name, cpus] : c.items) {
      for (const char menu : {'1', '2'}) {
        const std::string itemName = name.substr(0, name.size() - 1) + menu;
        ASSERT_TRUE(byName.count(itemName)) << c.name << ": no " << itemName;
        EXPECT_EQ(byName[itemName]->set, CpuSet::FromNumbers(List(cpus)))
            << c.name << ": " << itemName;
      }
    }
    for (const std::string& name : c.absent)
      EXPECT_FALSE(byName.count(name)) << c.name << ": " << name;
    // Many CPUs go into their own submenu, a few stand beside the sets.
    const std::string cpuParent = byName.count("SingleCpus1") ? "SingleCpus1" : "AllCPUs1";
    EXPECT_EQ(byName["Cpu1_1"]->parent, cpuParent) << c.name;
  }
}

TEST(MachineSetItems, TakeTheirCaptionsFromTheLanguageAndNumberFromOne) {
  const CpuTopology topology = Machines()[2].topology;
  const auto items = MachineSetItems(
      topology, CpuSet::FromNumbers(topology.online),
      [](ExtraCaption caption) { return "<" + ExtraCaptionText({}, caption) + ">"; });
  std::map<std::string, std::string> captions;
  for (const MachineSetItem& item : items) captions[item.name] = item.caption;
  EXPECT_EQ(captions["SingleCpus2"], "<Single CPUs>");
  EXPECT_EQ(captions["Cpu5_2"], "CPU 5");
  EXPECT_EQ(captions["CacheDomain2_1"], "<Cache domain 2>");
  EXPECT_EQ(captions["NumaNode1_2"], "<NUMA node 1>");
  EXPECT_EQ(captions["OneThreadPerCore1"], "<One thread per core>");
  EXPECT_EQ(captions["EveryCpu2"], "<All CPUs>");
  EXPECT_EQ(captions["ChooseCpus1"], "<Choose CPUs…>");
  EXPECT_EQ(MachineSetItems(Hybrid(), CpuSet::FromNumbers(Hybrid().online), English)[26].caption,
            "Core 2");
}

TEST(MachineSetItems, LeaveFourCpuMachinesToTheirTablesAndOfflineCpusOut) {
  for (unsigned cpus = 1; cpus <= 4; ++cpus) {
    EXPECT_TRUE(MachineSetItems(PlainTopology(cpus), CpuSet::FirstCpus(cpus), English).empty());
  }
  // CPU 6 went offline after the layout was read: no item names it, its core keeps one thread.
  CpuTopology topology = Layout("0-7", {"0-1", "2-3", "4-5", "6-7"}, "", "", {}, {});
  const auto items = MachineSetItems(topology, CpuSet::FromNumbers(List("0-4,6-7")), English);
  std::map<std::string, CpuSet> sets;
  for (const MachineSetItem& item : items) sets[item.name] = item.set;
  EXPECT_FALSE(sets.count("Cpu6_1"));
  EXPECT_FALSE(sets.count("Core3_1"));
  EXPECT_EQ(sets["Core4_1"], CpuSet::FromNumbers(List("6-7")));
  EXPECT_EQ(sets["EveryCpu1"], CpuSet::FromNumbers(List("0-4,6-7")));
}

class MachineSetsLand : public ProgramTest {};

TEST_F(MachineSetsLand, EveryItemsSetReachesTheSelectedProcessAndRecordsForAddToList) {
  for (const MachineCase& c : Machines()) {
    machine.SetCpuCount(static_cast<int>(c.topology.online.size()));
    machine.SetTopology(c.topology);
    machine.SetMaskFromOutside(200, CpuSet{15});
    StartUp();
    SelectRows({200});
    const CpuSet online = CpuSet::FromNumbers(program.Topology().online);
    const std::size_t width = online.End();
    for (const MachineSetItem& item : MachineSetItems(program.Topology(), online, English)) {
      if (item.kind != MachineSetKind::kSet) continue;
      program.ApplySetToSelected(item.set, item.addToList);
      EXPECT_EQ(machine.MaskOf(200), item.set) << c.name << ": " << item.name;
      EXPECT_EQ(machine.MaskOf(100), CpuSet{15}) << c.name << ": " << item.name;
      EXPECT_EQ(FirstSelectedSet(program.Engine().Table()), item.set)
          << c.name << ": " << item.name;
      const LineList expected{MaskToText(item.set, width) + ": beta.exe"};
      if (item.addToList) {
        EXPECT_EQ(program.Engine().Policy().profileList, expected) << item.name;
      }
    }
    EXPECT_EQ(ReadData("CPU1_0.lst"), Lines(program.Engine().Policy().profileList)) << c.name;
  }
}

TEST(FirstSelectedSet, IsEmptyWithoutASelection) {
  ProcessTable table;
  table.BeginPass();
  table.AddRow("a", "1", 1, "00000001");
  table.AddRow("b", "2", 2, "11000000");
  table.AddRow("c", "3", 3, "00100000");
  table.EndPass();
  EXPECT_EQ(FirstSelectedSet(table), CpuSet{});
  table.SetSelected(2, true);
  table.SetSelected(1, true);
  EXPECT_EQ(FirstSelectedSet(table), CpuSet::FromNumbers(List("0-1")));
}

}  // namespace
}  // namespace mervale
