// SPDX-License-Identifier: GPL-3.0-or-later

#include <unistd.h>

#include <algorithm>

#include "engine/cpu_topology.h"
#include "engine/platform/linux/sysfs_topology.h"

namespace mervale {

CpuTopology MachineTopology() {
  if (auto topology = ReadSysfsTopology("/")) return std::move(*topology);
  const long count = std::clamp(sysconf(_SC_NPROCESSORS_ONLN), 1L, long{kMaxCpuNumber} + 1);
  return PlainTopology(static_cast<unsigned>(count));
}

}  // namespace mervale
