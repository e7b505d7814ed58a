// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <gtest/gtest.h>
#include <hwloc.h>

#include <string>
#include <vector>

#include "engine/cpu_topology.h"

namespace mervale::testing {

// CPU numbers written as a kernel CPU list, "0-3,8" (hwloc's list form is the kernel's).
inline CpuNumbers List(const std::string& text) {
  const hwloc_bitmap_t set = hwloc_bitmap_alloc();
  EXPECT_EQ(hwloc_bitmap_list_sscanf(set, text.c_str()), 0) << "test list " << text;
  CpuNumbers cpus;
  for (int cpu = hwloc_bitmap_first(set); cpu != -1; cpu = hwloc_bitmap_next(set, cpu))
    cpus.push_back(static_cast<unsigned>(cpu));
  hwloc_bitmap_free(set);
  return cpus;
}

inline std::vector<CpuNumbers> Lists(const std::vector<std::string>& texts) {
  std::vector<CpuNumbers> lists;
  for (const std::string& text : texts) lists.push_back(List(text));
  return lists;
}

}  // namespace mervale::testing
