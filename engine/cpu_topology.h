// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <vector>

namespace mervale {

// Zero-based CPU numbers as the operating system counts them, ascending, each at most once.
using CpuNumbers = std::vector<unsigned>;

// The machine's layout: which CPUs are online and how they share cores, caches and memory. Every
// set names online CPUs only; the sets of one list are disjoint and ordered by their first CPU.
struct CpuTopology {
  CpuNumbers online;
  // Each physical core's hardware threads; together they hold every online CPU.
  std::vector<CpuNumbers> cores;
  // The two kinds of core of a hybrid processor; both empty on any other.
  CpuNumbers performanceCpus;
  CpuNumbers efficiencyCpus;
  // The CPUs that share one last-level cache; empty when the caches could not be read.
  std::vector<CpuNumbers> cacheDomains;
  // The CPUs of each NUMA node; empty when the nodes could not be read.
  std::vector<CpuNumbers> numaNodes;
  // The size of each cache domain's cache in bytes, in the order of cacheDomains; 0 where it is
  // not known, and empty when no size is.
  std::vector<std::uint64_t> cacheDomainBytes;

  // The first thread of every core.
  CpuNumbers OneThreadPerCore() const;

  friend bool operator==(const CpuTopology&, const CpuTopology&) = default;
};

// Highest CPU number the program looks for: far above any kernel's limit, low enough that a
// kernel that keeps refusing a CPU set cannot make the program allocate without bound.
inline constexpr unsigned kMaxCpuNumber = 65535;

// The layout from the groups a reader found, which may name offline or repeated CPUs: keeps the
// online CPUs of every group, each in the first group of its list that names it, and drops empty
// groups. An online CPU that no core names becomes a core of its own, so a machine whose layout is
// unknown still has plain CPUs, one per core. No cache sizes are kept.
CpuTopology MakeTopology(CpuTopology found);

// CPUs 0 to count - 1, one per core, with no caches, kinds or nodes known.
CpuTopology PlainTopology(unsigned count);

// This machine's layout as its operating system reports it; plain CPUs where it cannot be read.
CpuTopology MachineTopology();

}  // namespace mervale
