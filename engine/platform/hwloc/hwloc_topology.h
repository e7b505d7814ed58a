// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <hwloc.h>

#include <limits>
#include <memory>

#include "engine/cpu_topology.h"

namespace mervale {

struct HwlocDeleter {
  void operator()(hwloc_topology_t topology) const { hwloc_topology_destroy(topology); }
  void operator()(hwloc_bitmap_t bitmap) const { hwloc_bitmap_free(bitmap); }
};
using HwlocTopology = std::unique_ptr<hwloc_topology, HwlocDeleter>;
using HwlocBitmap = std::unique_ptr<hwloc_bitmap_s, HwlocDeleter>;

// This machine as hwloc reads it, without the CPUs this process may not use (a cgroup's or a
// container's); nullptr when it cannot be read.
HwlocTopology LoadMachineTopology();

// The CPUs hwloc numbers `first` to `first` + `count` - 1, which the program numbers from 0: on
// Windows the processor group the program runs in, hwloc giving each group 64 numbers.
struct CpuWindow {
  unsigned first = 0;
  unsigned count = std::numeric_limits<unsigned>::max();
};

// The layout of a loaded topology: its allowed CPUs within the window, their cores, the two kinds
// of a hybrid processor (the most powerful kind against the others, whatever the vendor), the
// last-level caches with their sizes, and the NUMA nodes.
CpuTopology TopologyOf(hwloc_topology_t topology, CpuWindow window = {});

}  // namespace mervale
