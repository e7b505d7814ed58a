// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_topology.h"

#include <algorithm>
#include <set>
#include <utility>

namespace mervale {

namespace {

void SortUnique(CpuNumbers& cpus) {
  std::sort(cpus.begin(), cpus.end());
  cpus.erase(std::unique(cpus.begin(), cpus.end()), cpus.end());
}

// The groups cut down to the CPUs in `allowed` that no earlier group took, without the empty
// ones, ordered by their first CPU. Takes what it keeps out of `allowed`.
std::vector<CpuNumbers> Partition(std::vector<CpuNumbers> groups, std::set<unsigned>& allowed) {
  std::vector<CpuNumbers> kept;
  for (CpuNumbers& group : groups) {
    SortUnique(group);
    std::erase_if(group, [&](unsigned cpu) { return allowed.erase(cpu) == 0; });
    if (!group.empty()) kept.push_back(std::move(group));
  }
  std::sort(kept.begin(), kept.end());
  return kept;
}

std::vector<CpuNumbers> PartitionOnline(std::vector<CpuNumbers> groups, const CpuNumbers& online) {
  std::set<unsigned> allowed(online.begin(), online.end());
  return Partition(std::move(groups), allowed);
}

CpuNumbers OnlineOnly(CpuNumbers cpus, const CpuNumbers& online) {
  SortUnique(cpus);
  std::erase_if(
      cpus, [&](unsigned cpu) { return !std::binary_search(online.begin(), online.end(), cpu); });
  return cpus;
}

}  // namespace

CpuNumbers CpuTopology::OneThreadPerCore() const {
  CpuNumbers threads;
  for (const CpuNumbers& core : cores) threads.push_back(core.front());
  SortUnique(threads);
  return threads;
}

CpuTopology MakeTopology(CpuTopology found) {
  CpuTopology topology;
  topology.online = std::move(found.online);
  SortUnique(topology.online);

  std::set<unsigned> coreless(topology.online.begin(), topology.online.end());
  topology.cores = Partition(std::move(found.cores), coreless);
  for (const unsigned cpu : coreless) topology.cores.push_back({cpu});
  std::sort(topology.cores.begin(), topology.cores.end());

  // One kind alone is no hybrid processor: there is nothing to choose between.
  auto performance = OnlineOnly(std::move(found.performanceCpus), topology.online);
  auto efficiency = OnlineOnly(std::move(found.efficiencyCpus), topology.online);
  if (!performance.empty() && !efficiency.empty()) {
    topology.performanceCpus = std::move(performance);
    topology.efficiencyCpus = std::move(efficiency);
  }
  topology.cacheDomains = PartitionOnline(std::move(found.cacheDomains), topology.online);
  topology.numaNodes = PartitionOnline(std::move(found.numaNodes), topology.online);
  return topology;
}

CpuTopology PlainTopology(unsigned count) {
  CpuTopology found;
  for (unsigned cpu = 0; cpu < count; ++cpu) found.online.push_back(cpu);
  return MakeTopology(std::move(found));
}

}  // namespace mervale
