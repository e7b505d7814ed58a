// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/set_menus.h"

#include <algorithm>
#include <array>
#include <utility>

namespace mervale {
namespace {

using enum SetMenuPlace;

constexpr std::array kSubmenus{
    SetSubmenu{kAllCpus, 0, "AllCPUs1", "All CPUs", CaptionTarget::kAllCpusMenu},
    SetSubmenu{kAllCpus, 1, "OneCPU1", "1 CPU"},
    SetSubmenu{kAllCpus, 2, "woCPUs1", "2 CPUs"},
    SetSubmenu{kAllCpus, 3, "hreeCPUs1", "3 CPUs"},
    SetSubmenu{kAllCpus, 4, "FourCPUs1", "4 CPUs"},
    SetSubmenu{kAddToList, 0, "Addtolist1", "Add to list", CaptionTarget::kAddToListMenu},
    SetSubmenu{kAddToList, 1, "OneCPU2", "1 CPU"},
    SetSubmenu{kAddToList, 2, "woCPUs2", "2 CPUs"},
    SetSubmenu{kAddToList, 3, "hreeCPUs2", "3 CPUs"},
    SetSubmenu{kAddToList, 4, "FourCPUs2", "4 CPUs"},
};

// Each beside the handler of its layout.
constexpr std::array kItems{
    SetMenuItem{"CPU11", "CPU 1", CpuFlags{1, 0, 0, 0}, kProcessMenu,
                CaptionTarget::kCpu1Item},  // CPU11Click
    SetMenuItem{"CPU21", "CPU 2", CpuFlags{0, 1, 0, 0}, kProcessMenu,
                CaptionTarget::kCpu2Item},                              // CPU21Click
    SetMenuItem{"CPU31", "CPU 3", CpuFlags{0, 0, 1, 0}, kProcessMenu},  // CPU31Click
    SetMenuItem{"CPU41", "CPU 4", CpuFlags{0, 0, 0, 1}, kProcessMenu},  // CPU41Click
    SetMenuItem{"CPU121", "CPU 1+2", CpuFlags{1, 1, 0, 0}, kProcessMenu,
                CaptionTarget::kCpu12Item},                                // CPU121Click
    SetMenuItem{"CPU341", "CPU 3+4", CpuFlags{0, 0, 1, 1}, kProcessMenu},  // CPU341Click
    SetMenuItem{"N11", "1", CpuFlags{1, 0, 0, 0}, kAllCpus},               // CPU11Click
    SetMenuItem{"N21", "2", CpuFlags{0, 1, 0, 0}, kAllCpus},               // CPU21Click
    SetMenuItem{"N31", "3", CpuFlags{0, 0, 1, 0}, kAllCpus},               // CPU31Click
    SetMenuItem{"N41", "4", CpuFlags{0, 0, 0, 1}, kAllCpus},               // CPU41Click
    SetMenuItem{"N121", "1+2", CpuFlags{1, 1, 0, 0}, kAllCpus},            // CPU121Click
    SetMenuItem{"N131", "1+3", CpuFlags{1, 0, 1, 0}, kAllCpus},            // N131Click
    SetMenuItem{"N141", "1+4", CpuFlags{1, 0, 0, 1}, kAllCpus},            // N141Click
    SetMenuItem{"N231", "2+3", CpuFlags{0, 1, 1, 0}, kAllCpus},            // N231Click
    SetMenuItem{"N241", "2+4", CpuFlags{0, 1, 0, 1}, kAllCpus},            // N241Click
    SetMenuItem{"N341", "3+4", CpuFlags{0, 0, 1, 1}, kAllCpus},            // CPU341Click
    SetMenuItem{"N1231", "1+2+3", CpuFlags{1, 1, 1, 0}, kAllCpus},         // N1231Click
    SetMenuItem{"N1241", "1+2+4", CpuFlags{1, 1, 0, 1}, kAllCpus},         // N1241Click
    SetMenuItem{"N1341", "1+3+4", CpuFlags{1, 0, 1, 1}, kAllCpus},         // N1341Click
    SetMenuItem{"N2341", "2+3+4", CpuFlags{0, 1, 1, 1}, kAllCpus},         // N2341Click
    SetMenuItem{"N12341", "1+2+3+4", CpuFlags{1, 1, 1, 1}, kAllCpus},      // N12341Click
    SetMenuItem{"N12", "1", CpuFlags{1, 0, 0, 0}, kAddToList},             // N12Click
    SetMenuItem{"N22", "2", CpuFlags{0, 1, 0, 0}, kAddToList},             // N22Click
    SetMenuItem{"N32", "3", CpuFlags{0, 0, 1, 0}, kAddToList},             // N32Click
    SetMenuItem{"N42", "4", CpuFlags{0, 0, 0, 1}, kAddToList},             // N42Click
    SetMenuItem{"N122", "1+2", CpuFlags{1, 1, 0, 0}, kAddToList},          // N122Click
    SetMenuItem{"N132", "1+3", CpuFlags{1, 0, 1, 0}, kAddToList},          // N132Click
    SetMenuItem{"N142", "1+4", CpuFlags{1, 0, 0, 1}, kAddToList},          // N142Click
    SetMenuItem{"N232", "2+3", CpuFlags{0, 1, 1, 0}, kAddToList},          // N232Click
    SetMenuItem{"N242", "2+4", CpuFlags{0, 1, 0, 1}, kAddToList},          // N242Click
    SetMenuItem{"N342", "3+4", CpuFlags{0, 0, 1, 1}, kAddToList},          // N342Click
    SetMenuItem{"N1232", "1+2+3", CpuFlags{1, 1, 1, 0}, kAddToList},       // N1232Click
    SetMenuItem{"N1242", "1+2+4", CpuFlags{1, 1, 0, 1}, kAddToList},       // N1242Click
    SetMenuItem{"N1342", "1+3+4", CpuFlags{1, 0, 1, 1}, kAddToList},       // N1342Click
    SetMenuItem{"N2342", "2+3+4", CpuFlags{0, 1, 1, 1}, kAddToList},       // N2342Click
    SetMenuItem{"N12342", "1+2+3+4", CpuFlags{1, 1, 1, 1}, kAddToList},    // N12342Click
};

}  // namespace

int SubmenuCpuCount(const SetMenuItem& item) {
  if (item.place == kProcessMenu) return 0;
  const std::int32_t cpus[] = {item.flags.cpu1, item.flags.cpu2, item.flags.cpu3, item.flags.cpu4};
  return static_cast<int>(std::ranges::count(cpus, 1));
}

std::span<const SetSubmenu> SetSubmenus() {
  return kSubmenus;
}

std::span<const SetMenuItem> SetMenuItems() {
  return kItems;
}

namespace {

// A menu taller than a screen scrolls or splits into columns, and the per-CPU or per-core items
// would push the machine's own sets out of sight: past this many they get a submenu of their own,
// and past twice as many that submenu holds one submenu per part of the machine.
constexpr std::size_t kMostItemsInline = 8;
constexpr std::size_t kMostItemsUngrouped = 16;
std::string WithCpus(const std::string& caption, const CpuSet& set) {
  return GroupCaption({caption, set});
}

// Both menus get the same items, told apart by the last character of each name. A set equal to one
// the menu already offers is left out.
class MachineMenuBuilder {
 public:
  MachineMenuBuilder(std::vector<MachineSetItem>& items, const CpuSet& online, bool addToList)
      : items_(items), online_(online), addToList_(addToList), suffix_(addToList ? "2" : "1") {}

  void Submenu(const std::string& name, std::string caption) {
    Add(name, std::move(caption), MachineSetKind::kSubmenu, {});
    parent_ = static_cast<int>(items_.size()) - 1;
  }
  // Back to the menu that holds the current submenu.
  void LeaveSubmenu() { parent_ = items_[static_cast<std::size_t>(parent_)].parent; }
  void Set(const std::string& name, std::string caption, const CpuSet& set) {
    if (std::ranges::find(offered_, set) != offered_.end()) return;
    offered_.push_back(set);
    Add(name, std::move(caption), MachineSetKind::kSet, set);
  }
  void ChooseCpus(std::string caption) {
    Add("ChooseCpus", std::move(caption), MachineSetKind::kChooseCpus, {});
  }
  // The online CPUs among `cpus`.
  CpuSet Online(const CpuNumbers& cpus) const {
    CpuSet set;
    for (const unsigned cpu : cpus) {
      if (online_.Contains(cpu)) set.Add(cpu);
    }
    return set;
  }
  // Numbered sets such as the cache domains, each with the size of a larger cache where
  // `cacheBytes` gives one: listed only when there is more than one to choose.
  void NumberedSets(const std::string& name, const std::string& caption,
                    const std::vector<CpuNumbers>& groups,
                    const std::vector<std::uint64_t>& cacheBytes = {}) {
    std::vector<CpuGroup> sets;
    for (std::size_t i = 0; i < groups.size(); ++i) {
      if (CpuSet set = Online(groups[i]); !set.Empty())
        sets.push_back({"", std::move(set), i < cacheBytes.size() ? cacheBytes[i] : 0});
    }
    if (sets.size() < 2) return;
    for (std::size_t i = 0; i < sets.size(); ++i) {
      const int number = static_cast<int>(i + 1);
      sets[i].name = WithNumber(caption, number);
      Set(name + std::to_string(number) + "_", GroupCaption(sets[i]), sets[i].cpus);
    }
  }

 private:
  void Add(const std::string& name, std::string caption, MachineSetKind kind, const CpuSet& set) {
    items_.push_back({name + suffix_, parent_, std::move(caption), kind, set, addToList_});
  }

  std::vector<MachineSetItem>& items_;
  const CpuSet& online_;
  bool addToList_;
  std::string suffix_;
  int parent_ = MachineSetItem::kTopLevel;
  std::vector<CpuSet> offered_;
};

// Items of one kind, each given by the CPUs it stands for, in a submenu past kMostItemsInline and
// grouped by the machine's parts past kMostItemsUngrouped; an item goes with the part of its first
// CPU, and one in no part after the parts.
template <typename AddItem>
void ItemList(MachineMenuBuilder& menu, const std::vector<CpuSet>& itemCpus,
              const std::vector<CpuGroup>& parts, const std::string& name, std::string caption,
              AddItem addItem) {
  const bool inSubmenu = itemCpus.size() > kMostItemsInline;
  if (inSubmenu) menu.Submenu(name, std::move(caption));
  std::vector<std::size_t> partOf(itemCpus.size(), parts.size());  // parts.size(): in none
  if (itemCpus.size() > kMostItemsUngrouped) {
    for (std::size_t i = 0; i < itemCpus.size(); ++i) {
      const std::size_t first = *itemCpus[i].FirstFrom(0);
      const auto part = std::ranges::find_if(
          parts, [first](const CpuGroup& group) { return group.cpus.Contains(first); });
      partOf[i] = static_cast<std::size_t>(part - parts.begin());
    }
  }
  for (std::size_t part = 0; part < parts.size(); ++part) {
    if (std::ranges::find(partOf, part) == partOf.end()) continue;
    menu.Submenu(name + "Part" + std::to_string(part + 1) + "_", GroupCaption(parts[part]));
    for (std::size_t i = 0; i < itemCpus.size(); ++i) {
      if (partOf[i] == part) addItem(i);
    }
    menu.LeaveSubmenu();
  }
  for (std::size_t i = 0; i < itemCpus.size(); ++i) {
    if (partOf[i] == parts.size()) addItem(i);
  }
  if (inSubmenu) menu.LeaveSubmenu();
}

void AddMachineSets(MachineMenuBuilder& menu, const CpuTopology& topology, const CpuSet& online,
                    const CaptionOf& caption) {
  const std::vector<CpuGroup> parts = CpuGroupsOf(topology, online, caption);
  std::vector<CpuSet> singles;
  for (const unsigned cpu : online.Numbers())
    singles.push_back(CpuSet::FromNumbers(std::vector{cpu}));
  ItemList(menu, singles, parts, "SingleCpus", caption(AddedCaption::kSingleCpusMenu),
           [&](std::size_t i) {
             const std::string number = std::to_string(*singles[i].FirstFrom(0) + 1);
             menu.Set("Cpu" + number + "_", "CPU " + number, singles[i]);
           });

  // A core of one thread is already there as its CPU.
  std::vector<int> sharedNumbers;
  std::vector<CpuSet> sharedCores;
  for (std::size_t i = 0; i < topology.cores.size(); ++i) {
    if (CpuSet core = menu.Online(topology.cores[i]); core.Count() > 1) {
      sharedNumbers.push_back(static_cast<int>(i + 1));
      sharedCores.push_back(std::move(core));
    }
  }
  const std::string coreCaption = caption(AddedCaption::kCoreItem);
  ItemList(menu, sharedCores, parts, "Cores", caption(AddedCaption::kCoresMenu),
           [&](std::size_t i) {
             const int number = sharedNumbers[i];
             menu.Set("Core" + std::to_string(number) + "_",
                      WithCpus(WithNumber(coreCaption, number), sharedCores[i]), sharedCores[i]);
           });

  const CpuSet performance = menu.Online(topology.performanceCpus);
  const CpuSet efficiency = menu.Online(topology.efficiencyCpus);
  if (!performance.Empty() && !efficiency.Empty()) {
    menu.Set("PerformanceCores",
             WithCpus(caption(AddedCaption::kPerformanceCoresItem), performance), performance);
    menu.Set("EfficiencyCores", WithCpus(caption(AddedCaption::kEfficiencyCoresItem), efficiency),
             efficiency);
  }
  menu.NumberedSets("CacheDomain", caption(AddedCaption::kCacheDomainItem), topology.cacheDomains,
                    LargerCacheBytes(topology));
  menu.NumberedSets("NumaNode", caption(AddedCaption::kNumaNodeItem), topology.numaNodes);
  if (!sharedCores.empty()) {
    // The same set as the Automatic cycle of that name.
    const CpuSet oneThreadPerCore = CycleCpus(CpuCycle::kOneThreadPerCore, online, topology);
    menu.Set("OneThreadPerCore",
             WithCpus(caption(AddedCaption::kOneThreadPerCoreItem), oneThreadPerCore),
             oneThreadPerCore);
  }
  menu.Set("EveryCpu", WithCpus(caption(AddedCaption::kEveryCpuItem), online), online);
  menu.ChooseCpus(caption(AddedCaption::kChooseCpusItem));
}

}  // namespace

std::vector<MachineSetItem> MachineSetItems(const CpuTopology& topology, const CpuSet& online,
                                            const CaptionOf& caption) {
  std::vector<MachineSetItem> items;
  if (!ManagesMoreThanFourCpus(online)) return items;
  for (const bool addToList : {false, true}) {
    MachineMenuBuilder menu(items, online, addToList);
    AddMachineSets(menu, topology, online, caption);
  }
  return items;
}

CpuSet FirstSelectedSet(const ProcessTable& table) {
  for (int i = 0; i < table.RowCount(); ++i) {
    const ProcessRow& row = table.RowAt(i);
    if (row.selected) return TextToMask(row.maskText, row.maskText.size());
  }
  return {};
}

}  // namespace mervale
