// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <algorithm>
#include <array>

#include "engine/cpu_topology.h"
#include "engine/platform/hwloc/hwloc_topology.h"

namespace mervale {

CpuTopology MachineTopology() {
  std::array<USHORT, 64> groups{};
  USHORT groupCount = groups.size();
  WORD group = 0;
  if (GetProcessGroupAffinity(GetCurrentProcess(), &groupCount, groups.data()) && groupCount > 0) {
    group = groups[0];
  }
  // A process's masks name the CPUs of its own processor group, CPU n being bit n; hwloc numbers
  // the CPUs of group g from 64 * g.
  constexpr unsigned kGroupSize = 64;
  if (const HwlocTopology topology = LoadMachineTopology()) {
    CpuTopology layout = TopologyOf(topology.get(), {group * kGroupSize, kGroupSize});
    if (!layout.online.empty()) return layout;
  }
  return PlainTopology(std::max<DWORD>(1, GetActiveProcessorCount(group)));
}

}  // namespace mervale
