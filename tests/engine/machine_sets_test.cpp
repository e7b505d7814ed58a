// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/set_menus.h"
#include "program_fixture.h"
#include "tests/common/cpu_lists.h"
#include "tests/common/synthetic_machine.h"

namespace mervale {
namespace {

using testing::List;
using testing::Lists;

std::string English(AddedCaption caption) {
  return AddedCaptionText({}, caption);
}

// Cores of two threads side by side, as QEMU numbers them.
std::vector<std::string> QemuCores(unsigned count) {
  std::vector<std::string> cores;
  for (unsigned core = 0; core < count; ++core)
    cores.push_back(std::to_string(2 * core) + "-" + std::to_string(2 * core + 1));
  return cores;
}

// Cores of two threads whose siblings lie `count` CPUs apart, as Linux numbers them.
std::vector<std::string> SiblingCores(unsigned count) {
  std::vector<std::string> cores;
  for (unsigned core = 0; core < count; ++core)
    cores.push_back(std::to_string(core) + "," + std::to_string(core + count));
  return cores;
}

struct MachineCase {
  const char* name;
  CpuTopology topology;
  const char* online;  // "" for the topology's
  // Items of "All CPUs" (their "Add to list" twins end in 2) with their CPUs; "" for no set.
  std::map<std::string, std::string> items;
  std::vector<std::string> absent;
  std::size_t itemsPerMenu;
};

std::vector<MachineCase> Machines() {
  const auto layout = [](const char* online, std::vector<std::string> cores, const char* p,
                         const char* e, std::vector<std::string> caches,
                         std::vector<std::string> nodes) {
    return MakeTopology(
        {List(online), Lists(cores), List(p), List(e), Lists(caches), Lists(nodes), {}});
  };
  return {
      {"hybrid: 8 performance cores of two threads, 8 efficiency cores",
       layout("0-23", {"0-1", "2-3", "4-5", "6-7", "8-9", "10-11", "12-13", "14-15"}, "0-15",
              "16-23", {"0-23"}, {"0-23"}),
       "",
       {{"SingleCpus1", ""},
        {"Cpu24_1", "23"},
        {"Core2_1", "2-3"},
        {"PerformanceCores1", "0-15"},
        {"EfficiencyCores1", "16-23"},
        {"OneThreadPerCore1", "0,2,4,6,8,10,12,14,16-23"},
        {"EveryCpu1", "0-23"},
        {"ChooseCpus1", ""}},
       {"Core9_1", "Cores1", "CacheDomain1_1", "NumaNode1_1"},
       1 + 2 + 24 + 8 + 2 + 1 + 2},
      {"two cache dies of 8 cores of two threads",
       layout("0-31", SiblingCores(16), "", "", {"0-7,16-23", "8-15,24-31"}, {"0-31"}),
       "",
       {{"Cores1", ""},
        {"Core16_1", "15,31"},
        {"CacheDomain2_1", "8-15,24-31"},
        {"OneThreadPerCore1", "0-15"}},
       {"PerformanceCores1", "NumaNode1_1"},
       1 + 2 + 32 + 1 + 16 + 2 + 1 + 2},
      {"128 CPUs on two NUMA nodes",
       layout("0-127", SiblingCores(64), "", "", {}, {"0-31,64-95", "32-63,96-127"}),
       "",
       {{"Cpu128_1", "127"},
        {"Core64_1", "63,127"},
        {"NumaNode2_1", "32-63,96-127"},
        {"EveryCpu1", "0-127"}},
       {"CacheDomain1_1"},
       1 + 2 + 128 + 1 + 2 + 64 + 2 + 1 + 2},
      {"64 CPUs of two sockets, each its own cache and node, siblings side by side",
       layout("0-63", QemuCores(32), "", "", {"0-31", "32-63"}, {"0-31", "32-63"}),
       "",
       {{"CacheDomain2_1", "32-63"}, {"Core32_1", "62-63"}},
       {"NumaNode1_1", "NumaNode2_1"},
       1 + 2 + 64 + 1 + 2 + 32 + 2 + 1 + 2},
      {"8 CPUs whose core siblings are numbered apart",
       layout("0-7", SiblingCores(4), "", "", {"0-7"}, {"0-7"}),
       "",
       {{"Core1_1", "0,4"}, {"Core4_1", "3,7"}, {"OneThreadPerCore1", "0-3"}},
       {"SingleCpus1", "Cores1"},
       8 + 4 + 1 + 2},
      {"8 plain CPUs",
       PlainTopology(8),
       "",
       {{"Cpu8_1", "7"}, {"EveryCpu1", "0-7"}},
       {"SingleCpus1", "Core1_1", "OneThreadPerCore1"},
       8 + 2},
      {"256 plain CPUs", PlainTopology(256), "", {{"Cpu256_1", "255"}}, {}, 1 + 16 + 256 + 2},
      {"CPU 6 offline since the layout was read",
       layout("0-7", {"0-1", "2-3", "4-5", "6-7"}, "", "", {}, {}),
       "0-4,6-7",
       {{"Core4_1", "6-7"}, {"EveryCpu1", "0-4,6-7"}},
       {"Cpu6_1", "Core3_1"},
       7 + 3 + 1 + 2},
      {"4 CPUs keep their tables", PlainTopology(4), "", {}, {}, 0},
      {"two cache dies, the first with the larger cache",
       testing::SyntheticTopology("pack:1 l3:2(size=32MiB) core:8 pu:2",
                                  {testing::CacheBytes(HWLOC_OBJ_L3CACHE, 0, 96 << 20)}),
       "",
       {{"CacheDomain1_1", "0-15"}, {"Core16_1", "30-31"}},
       {"NumaNode1_1"},
       1 + 2 + 32 + 1 + 16 + 2 + 1 + 2},
  };
}

TEST(MachineSetItems, OfferTheMachinesOwnSetsInBothMenus) {
  for (const MachineCase& c : Machines()) {
    const CpuSet online = CpuSet::FromNumbers(*c.online ? List(c.online) : c.topology.online);
    const std::vector<MachineSetItem> items = MachineSetItems(c.topology, online, English);
    ASSERT_EQ(items.size(), 2 * c.itemsPerMenu) << c.name;
    std::map<std::string, const MachineSetItem*> byName;
    for (const MachineSetItem& item : items) {
      // Each name once, its parent first, and only the "Add to list" items record.
      EXPECT_TRUE(byName.emplace(item.name, &item).second) << c.name << ": " << item.name;
      const int index = static_cast<int>(&item - items.data());
      EXPECT_TRUE(item.parent == MachineSetItem::kTopLevel ||
                  (item.parent < index &&
                   items[static_cast<std::size_t>(item.parent)].kind == MachineSetKind::kSubmenu))
          << item.name;
      EXPECT_EQ(item.addToList, item.name.back() == '2') << c.name << ": " << item.name;
    }
    for (const auto& [name, cpus] : c.items) {
      for (const char menu : {'1', '2'}) {
        const std::string itemName = name.substr(0, name.size() - 1) + menu;
        ASSERT_TRUE(byName.count(itemName)) << c.name << ": no " << itemName;
        EXPECT_EQ(byName[itemName]->set, CpuSet::FromNumbers(List(cpus))) << itemName;
      }
    }
    for (const std::string& name : c.absent) EXPECT_FALSE(byName.count(name)) << c.name << name;
  }
}

TEST(MachineSetItems, CaptionsEndInTheirCpusAndNeverRepeatTheirSubmenu) {
  const struct {
    std::size_t machine;
    const char* item;
    const char* caption;
    const char* submenu;  // "" at the top
  } cases[] = {
      {1, "Core1_1", "Core 1 (1,17)", "Cores"},
      {1, "Cpu9_1", "CPU 9", "Cache domain 2 (9–16,25–32)"},
      {1, "OneThreadPerCore1", "One thread per core (1–16)", ""},
      {2, "Core33_1", "Core 33 (33,97)", "NUMA node 2 (33–64,97–128)"},
      {3, "CacheDomain2_1", "Cache domain 2 (33–64)", ""},
      {3, "OneThreadPerCore1", "One thread per core (1,3,5,7,9,11,13,15,17,19,…)", ""},
      {3, "EveryCpu1", "Every CPU (1–64)", ""},
      {4, "Core2_1", "Core 2 (2,6)", ""},
      {6, "Cpu200_1", "CPU 200", "193–208"},
      {9, "CacheDomain1_1", "Cache domain 1 (1–16, 96 MB)", ""},
      {9, "CacheDomain2_1", "Cache domain 2 (17–32)", ""},
      {9, "Cpu3_1", "CPU 3", "Cache domain 1 (1–16, 96 MB)"},
  };
  for (const auto& c : cases) {
    const MachineCase machine = Machines()[c.machine];
    const auto items =
        MachineSetItems(machine.topology, CpuSet::FromNumbers(machine.topology.online), English);
    const auto item = std::ranges::find(items, c.item, &MachineSetItem::name);
    ASSERT_NE(item, items.end()) << c.item;
    EXPECT_EQ(item->caption, c.caption);
    EXPECT_EQ(item->parent == MachineSetItem::kTopLevel
                  ? ""
                  : items[static_cast<std::size_t>(item->parent)].caption,
              c.submenu);
    for (const MachineSetItem& each : items) {
      EXPECT_NE(each.caption.find(English(AddedCaption::kAllCpusItem)), 0u) << each.caption;
    }
  }
}

class MachineSetsLand : public ProgramTest {};

// A CPU goes offline and comes back: the next pass takes the layout as it is then.
TEST_F(MachineSetsLand, FollowACpuGoingOfflineAndComingBackAtTheNextPass) {
  const auto hasItem = [&](const char* name) {
    const auto items = MachineSetItems(program.Topology(),
                                       CpuSet::FromNumbers(program.Topology().online), English);
    return std::ranges::find(items, name, &MachineSetItem::name) != items.end();
  };
  machine.SetTopology(testing::SyntheticTopology("pack:1 core:4 pu:2"));
  StartUp();
  const struct {
    const char* online;
    bool cpu8;  // its item is offered
  } steps[] = {{"0-6", false}, {"0-7", true}};
  for (const auto& step : steps) {
    machine.SetTopology(
        testing::SyntheticTopology("pack:1 core:4 pu:2", {testing::Allow(step.online)}));
    program.RefreshProcesses();
    EXPECT_EQ(program.Topology().online, List(step.online));
    EXPECT_EQ(hasItem("Cpu8_1"), step.cpu8) << step.online;
  }
}

TEST_F(MachineSetsLand, EveryItemsSetReachesTheSelectedProcessAndRecordsForAddToList) {
  for (const MachineCase& c : Machines()) {
    machine.SetCpuCount(static_cast<int>(c.topology.online.back() + 1));
    machine.SetTopology(c.topology);
    machine.SetMaskFromOutside(200, CpuSet{15});
    StartUp();
    SelectRows({200});
    const CpuSet online = CpuSet::FromNumbers(program.Topology().online);
    for (const MachineSetItem& item : MachineSetItems(program.Topology(), online, English)) {
      if (item.kind != MachineSetKind::kSet) continue;
      program.ApplySetToSelected(item.set, item.addToList);
      EXPECT_EQ(machine.MaskOf(200), item.set) << c.name << ": " << item.name;
      EXPECT_EQ(machine.MaskOf(100), CpuSet{15}) << c.name << ": " << item.name;
      EXPECT_EQ(program.FirstSelectedSet(), item.set) << item.name;
      if (item.addToList) {
        const LineList expected{MaskToText(item.set, online.End()) + ": beta.exe"};
        EXPECT_EQ(program.Policy().profileList, expected) << item.name;
        EXPECT_EQ(ReadData("CPU1_0.lst"), Lines(expected)) << item.name;
      }
    }
  }
}

}  // namespace
}  // namespace mervale
