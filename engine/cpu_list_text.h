// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/cpu_set.h"
#include "engine/cpu_topology.h"
#include "store/language_captions.h"

namespace mervale {

using CaptionOf = std::function<std::string(AddedCaption)>;

// The CPUs as a short list numbered from 1, runs joined by an en dash: "1,3,5–63"; "-" when empty.
// What names CPUs to the user (a column of hundreds of "0" and "1" is read by no one).
std::string CompactCpuList(const CpuSet& set);

// The compact list cut after at most `maxLength` bytes at a comma, ending in "…" when cut.
std::string ShortCpuList(const CpuSet& set, std::size_t maxLength);

// A part of the machine that a long list of CPUs or cores is split by: the NUMA nodes when there is
// more than one, else the last-level cache domains when there is more than one, else runs of 16.
struct CpuGroup {
  std::string name;  // "NUMA node 2" or "Cache domain 1"; empty for a run
  CpuSet cpus;
  std::uint64_t largerCacheBytes = 0;  // a cache domain's, when larger than another domain's
};
std::vector<CpuGroup> CpuGroupsOf(const CpuTopology& topology, const CpuSet& online,
                                  const CaptionOf& caption);

// For each cache domain the size of its cache where it is larger than the smallest domain's (the
// large-cache chiplet of some processors), else 0.
std::vector<std::uint64_t> LargerCacheBytes(const CpuTopology& topology);

// "NUMA node 2 (33–64)"; a run by its CPUs alone, "17–32"; a larger cache by its size too,
// "Cache domain 1 (1–16, 96 MB)".
std::string GroupCaption(const CpuGroup& group);

// What a set's tooltip says: "CPUs: 32" and then the CPUs of each group (or each core, when the set
// falls in one group) on a line of their own.
std::string CpuSetToolTip(const CpuSet& set, const CpuTopology& topology, const CaptionOf& caption);

}  // namespace mervale
