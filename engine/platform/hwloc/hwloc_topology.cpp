// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/hwloc/hwloc_topology.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace mervale {
namespace {

// Data and unified caches from the highest level down: the first level the machine has is its last.
constexpr std::array kCacheLevels{HWLOC_OBJ_L5CACHE, HWLOC_OBJ_L4CACHE, HWLOC_OBJ_L3CACHE,
                                  HWLOC_OBJ_L2CACHE, HWLOC_OBJ_L1CACHE};

class LayoutReader {
 public:
  LayoutReader(hwloc_topology_t topology, CpuWindow window)
      : topology_(topology),
        window_(window),
        allowed_(hwloc_topology_get_allowed_cpuset(topology)) {}

  // The allowed CPUs of `set` within the window, in the program's numbers.
  CpuNumbers Cpus(hwloc_const_cpuset_t set) const {
    CpuNumbers cpus;
    if (set == nullptr) return cpus;
    for (int i = hwloc_bitmap_first(set); i != -1; i = hwloc_bitmap_next(set, i)) {
      const auto index = static_cast<unsigned>(i);
      if (index < window_.first || index - window_.first >= window_.count) continue;
      if (hwloc_bitmap_isset(allowed_, index)) cpus.push_back(index - window_.first);
    }
    return cpus;
  }

  std::vector<hwloc_obj_t> Objects(hwloc_obj_type_t type) const {
    std::vector<hwloc_obj_t> objects;
    for (hwloc_obj_t object = nullptr;
         (object = hwloc_get_next_obj_by_type(topology_, type, object)) != nullptr;) {
      objects.push_back(object);
    }
    return objects;
  }

  std::vector<CpuNumbers> Groups(hwloc_obj_type_t type) const {
    std::vector<CpuNumbers> groups;
    for (const hwloc_obj_t object : Objects(type)) groups.push_back(Cpus(object->cpuset));
    return groups;
  }

  // The most powerful kind against all the others; hwloc lists kinds from the most efficient up.
  void ReadKinds(CpuTopology& found) const {
    const int kinds = hwloc_cpukinds_get_nr(topology_, 0);
    if (kinds < 2) return;
    const HwlocBitmap set(hwloc_bitmap_alloc());
    for (int kind = 0; kind < kinds; ++kind) {
      if (hwloc_cpukinds_get_info(topology_, unsigned(kind), set.get(), nullptr, nullptr, nullptr,
                                  0) != 0)
        return;
      CpuNumbers& cpus = kind == kinds - 1 ? found.performanceCpus : found.efficiencyCpus;
      const CpuNumbers kindCpus = Cpus(set.get());
      cpus.insert(cpus.end(), kindCpus.begin(), kindCpus.end());
    }
  }

  std::vector<hwloc_obj_t> LastLevelCaches() const {
    for (const hwloc_obj_type_t level : kCacheLevels) {
      if (auto caches = Objects(level); !caches.empty()) return caches;
    }
    return {};
  }

 private:
  hwloc_topology_t topology_;
  CpuWindow window_;
  hwloc_const_cpuset_t allowed_;
};

}  // namespace

HwlocTopology LoadMachineTopology() {
  hwloc_topology_t raw = nullptr;
  if (hwloc_topology_init(&raw) != 0) return nullptr;
  HwlocTopology topology(raw);
  // Only what the layout needs: no devices, and no memory-side caches or misc objects.
  hwloc_topology_set_io_types_filter(raw, HWLOC_TYPE_FILTER_KEEP_NONE);
  hwloc_topology_set_type_filter(raw, HWLOC_OBJ_MISC, HWLOC_TYPE_FILTER_KEEP_NONE);
  hwloc_topology_set_type_filter(raw, HWLOC_OBJ_MEMCACHE, HWLOC_TYPE_FILTER_KEEP_NONE);
  if (hwloc_topology_load(raw) != 0) return nullptr;
  return topology;
}

CpuTopology TopologyOf(hwloc_topology_t topology, CpuWindow window) {
  const LayoutReader reader(topology, window);
  CpuTopology found;
  for (const hwloc_obj_t pu : reader.Objects(HWLOC_OBJ_PU)) {
    const CpuNumbers cpu = reader.Cpus(pu->cpuset);
    found.online.insert(found.online.end(), cpu.begin(), cpu.end());
  }
  found.cores = reader.Groups(HWLOC_OBJ_CORE);
  found.numaNodes = reader.Groups(HWLOC_OBJ_NUMANODE);
  reader.ReadKinds(found);
  std::vector<std::pair<unsigned, std::uint64_t>> cacheBytes;  // by the first CPU of each
  for (const hwloc_obj_t cache : reader.LastLevelCaches()) {
    CpuNumbers cpus = reader.Cpus(cache->cpuset);
    if (cpus.empty()) continue;
    cacheBytes.emplace_back(cpus.front(), cache->attr->cache.size);
    found.cacheDomains.push_back(std::move(cpus));
  }

  CpuTopology layout = MakeTopology(std::move(found));
  for (const CpuNumbers& domain : layout.cacheDomains) {
    const auto cache =
        std::ranges::find(cacheBytes, domain.front(), &std::pair<unsigned, std::uint64_t>::first);
    layout.cacheDomainBytes.push_back(cache != cacheBytes.end() ? cache->second : 0);
  }
  return layout;
}

}  // namespace mervale
