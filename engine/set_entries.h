#pragma once

#include <span>
#include <string_view>

#include "engine/assignment_policy.h"

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

}  // namespace mervale
