// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_cycle.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace mervale {
namespace {

constexpr std::array<std::pair<CpuCycle, std::string_view>, kCpuCycleCount> kCycleWords{{
    {CpuCycle::kTwoCpus, "two"},
    {CpuCycle::kFourCpus, "four"},
    {CpuCycle::kOneThreadPerCore, "cores"},
    {CpuCycle::kAllCpus, "all"},
}};

CpuSet FirstOf(const CpuSet& cpus, std::size_t count) {
  std::vector<unsigned> numbers = cpus.Numbers();
  numbers.resize(std::min(count, numbers.size()));
  return CpuSet::FromNumbers(numbers);
}

// The first thread of every core among the managed CPUs: a core whose first thread went offline
// is still one core.
CpuSet OneManagedThreadPerCore(const CpuSet& managed, const CpuTopology& topology) {
  CpuTopology current;
  current.online = managed.Numbers();
  current.cores = topology.cores;
  return CpuSet::FromNumbers(MakeTopology(std::move(current)).OneThreadPerCore());
}

// The first `count` managed CPUs that are online: small machines manage CPUs 1 to 4 whether they
// have them or not, and a CPU the machine lacks would leave every process sent there without a set.
// A layout that names none of them leaves the managed ones.
CpuSet FirstOnline(const CpuSet& managed, std::size_t count, const CpuTopology& topology) {
  const CpuSet online = FirstOf(managed, count).Common(CpuSet::FromNumbers(topology.online));
  return online.Empty() ? FirstOf(managed, count) : online;
}

}  // namespace

CpuSet CycleCpus(CpuCycle cycle, const CpuSet& managed, const CpuTopology& topology) {
  switch (cycle) {
    case CpuCycle::kTwoCpus:
      return FirstOnline(managed, 2, topology);
    case CpuCycle::kFourCpus:
      return FirstOnline(managed, 4, topology);
    case CpuCycle::kOneThreadPerCore:
      return OneManagedThreadPerCore(managed, topology);
    case CpuCycle::kAllCpus:
      break;
  }
  return managed;
}

std::string_view CycleWord(CpuCycle cycle) {
  return std::ranges::find(kCycleWords, cycle, &std::pair<CpuCycle, std::string_view>::first)
      ->second;
}

std::optional<CpuCycle> CycleOfWord(std::string_view word) {
  const auto found =
      std::ranges::find(kCycleWords, word, &std::pair<CpuCycle, std::string_view>::second);
  if (found == kCycleWords.end()) return std::nullopt;
  return found->first;
}

}  // namespace mervale
