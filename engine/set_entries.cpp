#include "engine/set_entries.h"

#include <algorithm>
#include <array>
#include <utility>

namespace mervale {
namespace {

constexpr std::array kEntries{
    SetEntry{"CPU11Click", CpuFlags{1, 0, 0, 0}, false},
    SetEntry{"CPU21Click", CpuFlags{0, 1, 0, 0}, false},
    SetEntry{"CPU31Click", CpuFlags{0, 0, 1, 0}, false},
    SetEntry{"CPU41Click", CpuFlags{0, 0, 0, 1}, false},
    SetEntry{"CPU121Click", CpuFlags{1, 1, 0, 0}, false},
    SetEntry{"N131Click", CpuFlags{1, 0, 1, 0}, false},
    SetEntry{"N141Click", CpuFlags{1, 0, 0, 1}, false},
    SetEntry{"N231Click", CpuFlags{0, 1, 1, 0}, false},
    SetEntry{"N241Click", CpuFlags{0, 1, 0, 1}, false},
    SetEntry{"CPU341Click", CpuFlags{0, 0, 1, 1}, false},
    SetEntry{"N1231Click", CpuFlags{1, 1, 1, 0}, false},
    SetEntry{"N1241Click", CpuFlags{1, 1, 0, 1}, false},
    SetEntry{"N1341Click", CpuFlags{1, 0, 1, 1}, false},
    SetEntry{"N2341Click", CpuFlags{0, 1, 1, 1}, false},
    SetEntry{"N12341Click", CpuFlags{1, 1, 1, 1}, false},
    SetEntry{"N12Click", CpuFlags{1, 0, 0, 0}, true},
    SetEntry{"N22Click", CpuFlags{0, 1, 0, 0}, true},
    SetEntry{"N32Click", CpuFlags{0, 0, 1, 0}, true},
    SetEntry{"N42Click", CpuFlags{0, 0, 0, 1}, true},
    SetEntry{"N122Click", CpuFlags{1, 1, 0, 0}, true},
    SetEntry{"N132Click", CpuFlags{1, 0, 1, 0}, true},
    SetEntry{"N142Click", CpuFlags{1, 0, 0, 1}, true},
    SetEntry{"N232Click", CpuFlags{0, 1, 1, 0}, true},
    SetEntry{"N242Click", CpuFlags{0, 1, 0, 1}, true},
    SetEntry{"N342Click", CpuFlags{0, 0, 1, 1}, true},
    SetEntry{"N1232Click", CpuFlags{1, 1, 1, 0}, true},
    SetEntry{"N1242Click", CpuFlags{1, 1, 0, 1}, true},
    SetEntry{"N1342Click", CpuFlags{1, 0, 1, 1}, true},
    SetEntry{"N2342Click", CpuFlags{0, 1, 1, 1}, true},
    SetEntry{"N12342Click", CpuFlags{1, 1, 1, 1}, true},
};

constexpr std::array kGroups{
    SetMenuGroup{"", "AllCPUs1", "All CPUs"},
    SetMenuGroup{"AllCPUs1", "OneCPU1", "1 CPU"},
    SetMenuGroup{"AllCPUs1", "woCPUs1", "2 CPUs"},
    SetMenuGroup{"AllCPUs1", "hreeCPUs1", "3 CPUs"},
    SetMenuGroup{"AllCPUs1", "FourCPUs1", "4 CPUs"},
    SetMenuGroup{"", "Addtolist1", "Add to list"},
    SetMenuGroup{"Addtolist1", "OneCPU2", "1 CPU"},
    SetMenuGroup{"Addtolist1", "woCPUs2", "2 CPUs"},
    SetMenuGroup{"Addtolist1", "hreeCPUs2", "3 CPUs"},
    SetMenuGroup{"Addtolist1", "FourCPUs2", "4 CPUs"},
};

constexpr std::array kItems{
    SetMenuItem{"CPU11", "CPU 1", "", 0},               // CPU11Click
    SetMenuItem{"CPU21", "CPU 2", "", 1},               // CPU21Click
    SetMenuItem{"CPU31", "CPU 3", "", 2},               // CPU31Click
    SetMenuItem{"CPU41", "CPU 4", "", 3},               // CPU41Click
    SetMenuItem{"CPU121", "CPU 1+2", "", 4},            // CPU121Click
    SetMenuItem{"CPU341", "CPU 3+4", "", 9},            // CPU341Click
    SetMenuItem{"N11", "1", "OneCPU1", 0},              // CPU11Click
    SetMenuItem{"N21", "2", "OneCPU1", 1},              // CPU21Click
    SetMenuItem{"N31", "3", "OneCPU1", 2},              // CPU31Click
    SetMenuItem{"N41", "4", "OneCPU1", 3},              // CPU41Click
    SetMenuItem{"N121", "1+2", "woCPUs1", 4},           // CPU121Click
    SetMenuItem{"N131", "1+3", "woCPUs1", 5},           // N131Click
    SetMenuItem{"N141", "1+4", "woCPUs1", 6},           // N141Click
    SetMenuItem{"N231", "2+3", "woCPUs1", 7},           // N231Click
    SetMenuItem{"N241", "2+4", "woCPUs1", 8},           // N241Click
    SetMenuItem{"N341", "3+4", "woCPUs1", 9},           // CPU341Click
    SetMenuItem{"N1231", "1+2+3", "hreeCPUs1", 10},     // N1231Click
    SetMenuItem{"N1241", "1+2+4", "hreeCPUs1", 11},     // N1241Click
    SetMenuItem{"N1341", "1+3+4", "hreeCPUs1", 12},     // N1341Click
    SetMenuItem{"N2341", "2+3+4", "hreeCPUs1", 13},     // N2341Click
    SetMenuItem{"N12341", "1+2+3+4", "FourCPUs1", 14},  // N12341Click
    SetMenuItem{"N12", "1", "OneCPU2", 15},             // N12Click
    SetMenuItem{"N22", "2", "OneCPU2", 16},             // N22Click
    SetMenuItem{"N32", "3", "OneCPU2", 17},             // N32Click
    SetMenuItem{"N42", "4", "OneCPU2", 18},             // N42Click
    SetMenuItem{"N122", "1+2", "woCPUs2", 19},          // N122Click
    SetMenuItem{"N132", "1+3", "woCPUs2", 20},          // N132Click
    SetMenuItem{"N142", "1+4", "woCPUs2", 21},          // N142Click
    SetMenuItem{"N232", "2+3", "woCPUs2", 22},          // N232Click
    SetMenuItem{"N242", "2+4", "woCPUs2", 23},          // N242Click
    SetMenuItem{"N342", "3+4", "woCPUs2", 24},          // N342Click
    SetMenuItem{"N1232", "1+2+3", "hreeCPUs2", 25},     // N1232Click
    SetMenuItem{"N1242", "1+2+4", "hreeCPUs2", 26},     // N1242Click
    SetMenuItem{"N1342", "1+3+4", "hreeCPUs2", 27},     // N1342Click
    SetMenuItem{"N2342", "2+3+4", "hreeCPUs2", 28},     // N2342Click
    SetMenuItem{"N12342", "1+2+3+4", "FourCPUs2", 29},  // N12342Click
};

}  // namespace

std::span<const SetEntry> SetEntries() {
  return kEntries;
}

std::span<const SetMenuGroup> SetMenuGroups() {
  return kGroups;
}

std::span<const SetMenuItem> SetMenuItems() {
  return kItems;
}

namespace {

// A menu taller than a screen scrolls or splits into columns, and the per-CPU or per-core items
// would push the machine's own sets out of sight: past this many they get a submenu of their own.
constexpr std::size_t kMostItemsInline = 8;

// Both menus get the same items, told apart by the last character of each name.
class MachineMenuBuilder {
 public:
  MachineMenuBuilder(std::vector<MachineSetItem>& items, const CpuSet& online, bool addToList)
      : items_(items),
        online_(online),
        addToList_(addToList),
        suffix_(addToList ? "2" : "1"),
        parent_(addToList ? "Addtolist1" : "AllCPUs1") {}

  void Submenu(const std::string& name, std::string caption) {
    Add(name, std::move(caption), MachineSetKind::kSubmenu, {});
    parent_ = name + suffix_;
  }
  void LeaveSubmenu() { parent_ = addToList_ ? "Addtolist1" : "AllCPUs1"; }
  void Set(const std::string& name, std::string caption, const CpuSet& set) {
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
  // Numbered sets such as the cache domains: listed only when there is more than one to choose.
  void NumberedSets(const std::string& name, const std::string& caption,
                    const std::vector<CpuNumbers>& groups) {
    std::vector<CpuSet> sets;
    for (const CpuNumbers& group : groups) {
      if (CpuSet set = Online(group); !set.Empty()) sets.push_back(std::move(set));
    }
    if (sets.size() < 2) return;
    for (std::size_t i = 0; i < sets.size(); ++i) {
      const int number = static_cast<int>(i + 1);
      Set(name + std::to_string(number) + "_", WithNumber(caption, number), sets[i]);
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
  std::string parent_;
};

void AddMachineSets(MachineMenuBuilder& menu, const CpuTopology& topology, const CpuSet& online,
                    const CaptionOf& caption) {
  const std::vector<unsigned> cpus = online.Numbers();
  if (cpus.size() > kMostItemsInline)
    menu.Submenu("SingleCpus", caption(ExtraCaption::kSingleCpusMenu));
  for (const unsigned cpu : cpus) {
    const std::string number = std::to_string(cpu + 1);
    menu.Set("Cpu" + number + "_", "CPU " + number, CpuSet::FromNumbers(std::vector{cpu}));
  }
  menu.LeaveSubmenu();

  // A core of one thread is already there as its CPU.
  std::vector<std::pair<int, CpuSet>> sharedCores;
  for (std::size_t i = 0; i < topology.cores.size(); ++i) {
    if (CpuSet core = menu.Online(topology.cores[i]); core.Count() > 1)
      sharedCores.emplace_back(static_cast<int>(i + 1), std::move(core));
  }
  if (sharedCores.size() > kMostItemsInline)
    menu.Submenu("Cores", caption(ExtraCaption::kCoresMenu));
  const std::string coreCaption = caption(ExtraCaption::kCoreItem);
  for (const auto& [number, core] : sharedCores)
    menu.Set("Core" + std::to_string(number) + "_", WithNumber(coreCaption, number), core);
  menu.LeaveSubmenu();

  const CpuSet performance = menu.Online(topology.performanceCpus);
  const CpuSet efficiency = menu.Online(topology.efficiencyCpus);
  if (!performance.Empty() && !efficiency.Empty()) {
    menu.Set("PerformanceCores", caption(ExtraCaption::kPerformanceCoresItem), performance);
    menu.Set("EfficiencyCores", caption(ExtraCaption::kEfficiencyCoresItem), efficiency);
  }
  menu.NumberedSets("CacheDomain", caption(ExtraCaption::kCacheDomainItem), topology.cacheDomains);
  menu.NumberedSets("NumaNode", caption(ExtraCaption::kNumaNodeItem), topology.numaNodes);
  if (!sharedCores.empty()) {
    // The same set as the Automatic cycle of that name.
    menu.Set("OneThreadPerCore", caption(ExtraCaption::kOneThreadPerCoreItem),
             CycleCpus(CpuCycle::kOneThreadPerCore, online, topology));
  }
  menu.Set("EveryCpu", caption(ExtraCaption::kAllCpusItem), online);
  menu.ChooseCpus(caption(ExtraCaption::kChooseCpusItem));
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
