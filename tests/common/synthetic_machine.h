// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <gtest/gtest.h>
#include <hwloc.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/platform/hwloc/hwloc_topology.h"
#include "tests/common/cpu_lists.h"

namespace mervale::testing {

// What a test changes in a machine hwloc made up, after loading it.
using Adjust = std::function<void(hwloc_topology_t)>;

inline HwlocBitmap Bitmap(const std::string& list) {
  HwlocBitmap set(hwloc_bitmap_alloc());
  EXPECT_EQ(hwloc_bitmap_list_sscanf(set.get(), list.c_str()), 0) << list;
  return set;
}

// Kinds of CPU from the most efficient to the most powerful, as hwloc ranks them, with no vendor's
// names for them.
inline Adjust Kinds(std::vector<std::string> lists) {
  return [lists](hwloc_topology_t topology) {
    for (std::size_t i = 0; i < lists.size(); ++i) {
      EXPECT_EQ(hwloc_cpukinds_register(topology, Bitmap(lists[i]).get(), int(i), 0, nullptr, 0),
                0);
    }
  };
}

// Only these CPUs may be used, as a cgroup's CPU set (systemd's AllowedCPUs, a container) says.
inline Adjust Allow(const std::string& list) {
  return [list](hwloc_topology_t topology) {
    EXPECT_EQ(hwloc_topology_allow(topology, Bitmap(list).get(), nullptr, HWLOC_ALLOW_FLAG_CUSTOM),
              0);
  };
}

// The `index`th cache of the level holds `bytes`.
inline Adjust CacheBytes(hwloc_obj_type_t level, unsigned index, std::uint64_t bytes) {
  return [=](hwloc_topology_t topology) {
    hwloc_get_obj_by_type(topology, level, index)->attr->cache.size = bytes;
  };
}

// The layout the program reads from a machine of hwloc's synthetic description, such as
// "pack:2 l3:2 core:4 pu:2", after the adjustments.
inline CpuTopology SyntheticTopology(const char* description, std::vector<Adjust> adjust = {},
                                     CpuWindow window = {}) {
  hwloc_topology_t raw = nullptr;
  EXPECT_EQ(hwloc_topology_init(&raw), 0);
  const HwlocTopology topology(raw);
  EXPECT_EQ(hwloc_topology_set_synthetic(raw, description), 0) << description;
  // Disallowed CPUs stay in the topology, as they do on a machine where a cgroup leaves them out.
  hwloc_topology_set_flags(raw, HWLOC_TOPOLOGY_FLAG_INCLUDE_DISALLOWED);
  EXPECT_EQ(hwloc_topology_load(raw), 0) << description;
  for (const Adjust& step : adjust) step(raw);
  return TopologyOf(raw, window);
}

}  // namespace mervale::testing
