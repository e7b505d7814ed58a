// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <gtest/gtest.h>

#include "engine/cpu_topology.h"

namespace mervale {
namespace {

TEST(MachineTopology, AgreesWithTheActiveProcessorCount) {
  const CpuTopology topology = MachineTopology();
  EXPECT_EQ(topology.online.size(), GetActiveProcessorCount(0));
  EXPECT_FALSE(topology.cores.empty());
}

}  // namespace
}  // namespace mervale
