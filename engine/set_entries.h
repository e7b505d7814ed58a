#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/assignment_policy.h"
#include "engine/cpu_topology.h"
#include "engine/process_table.h"
#include "store/language_captions.h"

namespace mervale {

// The process menu's set entries: each handler gives the selected processes one CPU set, and the
// "Add to list" ones record it in the active profile first.
struct SetEntry {
  std::string_view handler;  // e.g. "CPU121Click"
  CpuFlags flags;
  bool addToList;
};

// Where a set entry's menu item stands: directly in the process menu, or in one of the "1 CPU" to
// "4 CPUs" submenus under "All CPUs" or "Add to list".
struct SetMenuGroup {
  std::string_view parentName;  // "" for the process menu itself
  std::string_view name;
  std::string_view caption;
};

struct SetMenuItem {
  std::string_view name;     // e.g. "N121"
  std::string_view caption;  // e.g. "1+2"
  std::string_view group;    // a SetMenuGroup name, or "" for the process menu itself
  int entry;                 // index into SetEntries()
};

std::span<const SetEntry> SetEntries();
// Submenus in the order they are built: a parent always comes before its children.
std::span<const SetMenuGroup> SetMenuGroups();
// Items in menu order within each group.
std::span<const SetMenuItem> SetMenuItems();

enum class MachineSetKind {
  kSet,         // gives the selected processes `set`
  kSubmenu,     // holds the items whose parent is its name
  kChooseCpus,  // opens the dialog with a check box per CPU
};

// One item of the menus of a big machine. Its object name ends in 1 under "All CPUs" and in 2 under
// "Add to list", e.g. "Core3_1".
struct MachineSetItem {
  std::string name;
  std::string parent;  // "AllCPUs1", "Addtolist1" or a submenu's name
  std::string caption;
  MachineSetKind kind = MachineSetKind::kSet;
  CpuSet set;  // empty unless kind is kSet
  bool addToList = false;
};

using CaptionOf = std::function<std::string(ExtraCaption)>;

// On a machine with more than four CPUs, "All CPUs" and "Add to list" offer the machine's own sets
// instead of the "1 CPU" to "4 CPUs" submenus: both menus' items for a machine with this layout
// and these online CPUs, parents before their children and in menu order. Empty for a machine of
// at most four CPUs, whose menus stay the tables above. Sets name online CPUs only, and a set that
// would name none is left out.
std::vector<MachineSetItem> MachineSetItems(const CpuTopology& topology, const CpuSet& online,
                                            const CaptionOf& caption);

// The set of the first selected row as the CPU column shows it; empty when no row is selected.
CpuSet FirstSelectedSet(const ProcessTable& table);

}  // namespace mervale
