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

}  // namespace

CpuSet CycleCpus(CpuCycle cycle, const CpuSet& managed, const CpuTopology& topology) {
  switch (cycle) {
    case CpuCycle::kTwoCpus:
      return FirstOf(managed, 2);
    case CpuCycle::kFourCpus:
      return FirstOf(managed, 4);
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
