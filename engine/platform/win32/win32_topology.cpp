// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/win32/win32_topology.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>
#include <vector>

namespace mervale {

namespace {

constexpr std::size_t kRecordHeaderSize =
    offsetof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX, Processor);

CpuNumbers MaskCpus(KAFFINITY mask) {
  CpuNumbers cpus;
  for (unsigned bit = 0; bit < 64; ++bit) {
    if (mask & (KAFFINITY{1} << bit)) cpus.push_back(bit);
  }
  return cpus;
}

// Whether `count` entries of `Entry` starting at `first` lie inside the record.
template <typename Entry>
bool Fits(const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX& record, const Entry* first,
          std::size_t count) {
  const auto* begin = reinterpret_cast<const std::byte*>(&record);
  const auto* end = reinterpret_cast<const std::byte*>(first + count);
  return end <= begin + record.Size;
}

}  // namespace

CpuTopology TopologyFromProcessorRecords(std::span<const std::byte> records, WORD group) {
  CpuTopology found;
  std::vector<std::pair<BYTE, CpuNumbers>> coresByClass;
  std::map<BYTE, std::vector<CpuNumbers>> cachesByLevel;
  KAFFINITY active = 0;

  for (std::size_t offset = 0; offset + kRecordHeaderSize <= records.size();) {
    const auto& record =
        *reinterpret_cast<const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(&records[offset]);
    if (record.Size < kRecordHeaderSize || record.Size > records.size() - offset) break;
    offset += record.Size;

    switch (record.Relationship) {
      case RelationProcessorCore: {
        const PROCESSOR_RELATIONSHIP& core = record.Processor;
        if (!Fits(record, core.GroupMask, core.GroupCount)) break;
        // The byte after Flags is EfficiencyClass (newer SDKs name it): higher is faster.
        const BYTE efficiencyClass = core.Reserved[0];
        for (WORD i = 0; i < core.GroupCount; ++i) {
          if (core.GroupMask[i].Group == group) {
            coresByClass.emplace_back(efficiencyClass, MaskCpus(core.GroupMask[i].Mask));
          }
        }
        break;
      }
      case RelationCache: {
        const CACHE_RELATIONSHIP& cache = record.Cache;
        if (!Fits(record, &cache.GroupMask, 1) || cache.GroupMask.Group != group) break;
        if (cache.Type == CacheUnified || cache.Type == CacheData) {
          cachesByLevel[cache.Level].push_back(MaskCpus(cache.GroupMask.Mask));
        }
        break;
      }
      case RelationNumaNode: {
        const NUMA_NODE_RELATIONSHIP& node = record.NumaNode;
        if (Fits(record, &node.GroupMask, 1) && node.GroupMask.Group == group) {
          found.numaNodes.push_back(MaskCpus(node.GroupMask.Mask));
        }
        break;
      }
      case RelationGroup: {
        const GROUP_RELATIONSHIP& groups = record.Group;
        if (group < groups.ActiveGroupCount && Fits(record, groups.GroupInfo, group + 1u)) {
          active = groups.GroupInfo[group].ActiveProcessorMask;
        }
        break;
      }
      default:
        break;
    }
  }

  for (const auto& [efficiencyClass, cpus] : coresByClass) {
    if (active == 0) found.online.insert(found.online.end(), cpus.begin(), cpus.end());
    found.cores.push_back(cpus);
  }
  if (active != 0) found.online = MaskCpus(active);
  if (!coresByClass.empty()) {
    const BYTE fastest = std::max_element(coresByClass.begin(), coresByClass.end())->first;
    for (const auto& [efficiencyClass, cpus] : coresByClass) {
      CpuNumbers& kind = efficiencyClass == fastest ? found.performanceCpus : found.efficiencyCpus;
      kind.insert(kind.end(), cpus.begin(), cpus.end());
    }
  }
  if (!cachesByLevel.empty()) found.cacheDomains = std::move(cachesByLevel.rbegin()->second);
  return MakeTopology(std::move(found));
}

CpuTopology MachineTopology() {
  std::array<USHORT, 64> groups{};
  USHORT groupCount = groups.size();
  WORD group = 0;
  if (GetProcessGroupAffinity(GetCurrentProcess(), &groupCount, groups.data()) && groupCount > 0) {
    group = groups[0];
  }

  std::vector<std::byte> records;
  DWORD size = 0;
  bool read = false;
  // The size can grow between the two calls when processors come online.
  for (int attempt = 0; attempt < 3 && !read; ++attempt) {
    records.resize(size);
    read = GetLogicalProcessorInformationEx(
        RelationAll, reinterpret_cast<PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX>(records.data()),
        &size);
    if (!read && GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
  }
  if (read) {
    records.resize(size);
    CpuTopology topology = TopologyFromProcessorRecords(records, group);
    if (!topology.online.empty()) return topology;
  }
  return PlainTopology(std::max<DWORD>(1, GetActiveProcessorCount(group)));
}

}  // namespace mervale
