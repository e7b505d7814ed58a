// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <optional>

#include "engine/cpu_topology.h"

namespace mervale {

// The layout the Linux kernel describes under `root`/sys/devices ("/" for this machine): the
// online CPUs, each CPU's core siblings and last-level cache, the two core kinds of a hybrid
// processor, and the NUMA nodes. A missing or garbled file leaves out only what it would have
// told; nullopt when the online CPUs themselves cannot be read.
std::optional<CpuTopology> ReadSysfsTopology(const std::filesystem::path& root);

}  // namespace mervale
