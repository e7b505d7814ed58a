// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

#include "engine/cpu_topology.h"

namespace mervale {

// The layout of processor group `group` from the records that
// GetLogicalProcessorInformationEx(RelationAll) fills in, CPU n being bit n of the group's masks.
// Records of other groups are left out; a record that runs past the end stops the reading.
CpuTopology TopologyFromProcessorRecords(std::span<const std::byte> records, WORD group);

}  // namespace mervale
