// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_topology.h"

#include <algorithm>
#include <set>
#include <utility>

#include "store/integer_text.h"

namespace mervale {

namespace {

std::optional<unsigned> ParseCpuNumber(std::string_view text) {
  const std::optional<std::uint32_t> value = ParseDecimal(text);
  if (!value || *value > kMaxCpuNumber) return {};
  return *value;
}

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

std::optional<CpuNumbers> ParseCpuList(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  CpuNumbers cpus;
  if (text.empty()) return cpus;
  for (;;) {
    const std::size_t comma = text.find(',');
    const std::string_view range = text.substr(0, comma);
    const std::size_t dash = range.find('-');
    const auto first = ParseCpuNumber(range.substr(0, dash));
    const auto last =
        dash == std::string_view::npos ? first : ParseCpuNumber(range.substr(dash + 1));
    if (!first || !last || *first > *last) return {};
    for (unsigned cpu = *first; cpu <= *last; ++cpu) cpus.push_back(cpu);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  SortUnique(cpus);
  return cpus;
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
