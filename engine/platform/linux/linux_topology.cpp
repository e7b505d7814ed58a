// SPDX-License-Identifier: GPL-3.0-or-later

#include <unistd.h>

#include <algorithm>

#include "engine/cpu_topology.h"
#include "engine/platform/hwloc/hwloc_topology.h"

namespace mervale {

CpuTopology MachineTopology() {
  if (const HwlocTopology topology = LoadMachineTopology()) {
    if (CpuTopology layout = TopologyOf(topology.get()); !layout.online.empty()) return layout;
  }
  const long count = std::clamp(sysconf(_SC_NPROCESSORS_ONLN), 1L, long{kMaxCpuNumber} + 1);
  return PlainTopology(static_cast<unsigned>(count));
}

}  // namespace mervale
