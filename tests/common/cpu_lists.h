// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cpu_topology.h"

namespace mervale::testing {

// CPU numbers written as a kernel CPU list, "0-3,8".
inline CpuNumbers List(const std::string& text) {
  const auto cpus = ParseCpuList(text);
  EXPECT_TRUE(cpus) << "test list " << text;
  return cpus.value_or(CpuNumbers{});
}

inline std::vector<CpuNumbers> Lists(const std::vector<std::string>& texts) {
  std::vector<CpuNumbers> lists;
  for (const std::string& text : texts) lists.push_back(List(text));
  return lists;
}

}  // namespace mervale::testing
