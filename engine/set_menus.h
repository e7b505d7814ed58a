// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/assignment_policy.h"
#include "engine/cpu_list_text.h"
#include "engine/cpu_topology.h"
#include "engine/process_table.h"
#include "store/language_captions.h"

namespace mervale {

// Where a set item of the four-CPU tables stands: directly in the process menu, or under "All
// CPUs" or "Add to list" in the submenu of its number of CPUs ("1 CPU" to "4 CPUs"). The items
// under "Add to list" record their set in the active profile before they apply it.
enum class SetMenuPlace { kProcessMenu, kAllCpus, kAddToList };

// "All CPUs" or "Add to list" itself (cpuCount 0) or one of its "N CPUs" submenus.
struct SetSubmenu {
  SetMenuPlace place;
  int cpuCount;
  std::string_view name;  // its layout name, e.g. "woCPUs1"
  std::string_view caption;
  std::optional<CaptionTarget> captionLine = std::nullopt;  // the language line of its caption
};

// A menu item that gives the selected processes one set of the first four CPUs.
struct SetMenuItem {
  std::string_view name;     // its layout name, e.g. "N121"
  std::string_view caption;  // e.g. "1+2"
  CpuFlags flags;
  SetMenuPlace place;
  std::optional<CaptionTarget> captionLine = std::nullopt;  // the language line of its caption
};

// The "N CPUs" submenu an item stands in (cpuCount 0: the process menu itself).
int SubmenuCpuCount(const SetMenuItem& item);

// Submenus in the order they are built: a place's own menu before its "N CPUs" submenus.
std::span<const SetSubmenu> SetSubmenus();
// Items in menu order within each menu.
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
  // The index of its submenu's item among the items; kTopLevel: "All CPUs" or "Add to list" itself.
  int parent = kTopLevel;
  std::string caption;
  MachineSetKind kind = MachineSetKind::kSet;
  CpuSet set;  // empty unless kind is kSet
  bool addToList = false;

  static constexpr int kTopLevel = -1;
};

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
