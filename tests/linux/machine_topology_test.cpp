#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/cpu_topology.h"

namespace mervale {
namespace {

bool Within(const CpuNumbers& part, const CpuNumbers& whole) {
  return std::includes(whole.begin(), whole.end(), part.begin(), part.end());
}

// A dynamically sized CPU set, as machines with more CPUs than cpu_set_t holds need.
class DynamicCpuSet {
 public:
  explicit DynamicCpuSet(unsigned highestCpu)
      : count_(highestCpu + 1), set_(CPU_ALLOC(count_), [](cpu_set_t* set) { CPU_FREE(set); }) {
    CPU_ZERO_S(Size(), set_.get());
  }
  std::size_t Size() const { return CPU_ALLOC_SIZE(count_); }
  cpu_set_t* get() const { return set_.get(); }
  CpuNumbers Cpus() const {
    CpuNumbers cpus;
    for (unsigned cpu = 0; cpu < count_; ++cpu) {
      if (CPU_ISSET_S(cpu, Size(), set_.get())) cpus.push_back(cpu);
    }
    return cpus;
  }

 private:
  unsigned count_;
  std::unique_ptr<cpu_set_t, void (*)(cpu_set_t*)> set_;
};

// The CPUs the scheduler lets `pid` run on; empty when it cannot be read.
CpuNumbers AffinityOf(pid_t pid, unsigned highestCpu) {
  DynamicCpuSet set(highestCpu);
  if (sched_getaffinity(pid, set.Size(), set.get()) != 0) return {};
  return set.Cpus();
}

bool Pin(pid_t pid, const CpuNumbers& cpus) {
  DynamicCpuSet set(cpus.back());
  for (const unsigned cpu : cpus) CPU_SET_S(cpu, set.Size(), set.get());
  return sched_setaffinity(pid, set.Size(), set.get()) == 0;
}

// A number the environment gives (the guest test says what machine it shaped); 0 when unset.
unsigned Expected(const char* name) {
  const char* value = std::getenv(name);
  return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : 0;
}

TEST(MachineTopology, AgreesWithTheScheduler) {
  const CpuTopology topology = MachineTopology();
  ASSERT_FALSE(topology.online.empty());
  EXPECT_EQ(topology.online.size(), static_cast<std::size_t>(sysconf(_SC_NPROCESSORS_ONLN)));
  EXPECT_TRUE(Within(AffinityOf(0, topology.online.back() + 64), topology.online));
  if (const unsigned cpus = Expected("MERVALE_EXPECT_CPUS")) {
    EXPECT_EQ(topology.online.size(), cpus);
  }
  if (const unsigned threads = Expected("MERVALE_EXPECT_THREADS_PER_CORE")) {
    for (const CpuNumbers& core : topology.cores) EXPECT_EQ(core.size(), threads);
  }
}

TEST(MachineTopology, EveryCoreSharesOneLastLevelCacheAndOneNode) {
  const CpuTopology topology = MachineTopology();
  for (const auto* domains : {&topology.cacheDomains, &topology.numaNodes}) {
    if (domains->empty()) continue;
    for (const CpuNumbers& core : topology.cores) {
      EXPECT_EQ(std::count_if(domains->begin(), domains->end(),
                              [&](const CpuNumbers& domain) { return Within(core, domain); }),
                1)
          << "core of CPU " << core.front();
    }
  }
}

TEST(MachineTopology, EverySetItNamesCanBeGivenToAProcess) {
  const CpuTopology topology = MachineTopology();
  const CpuNumbers usable = AffinityOf(0, topology.online.back() + 64);
  std::vector<CpuNumbers> sets{topology.online, topology.OneThreadPerCore(),
                               topology.performanceCpus, topology.efficiencyCpus};
  for (const auto* list : {&topology.cores, &topology.cacheDomains, &topology.numaNodes}) {
    sets.insert(sets.end(), list->begin(), list->end());
  }

  const pid_t child = fork();
  if (child == 0) {
    for (;;) pause();
  }
  ASSERT_GT(child, 0);
  for (const CpuNumbers& set : sets) {
    // A CPU set of a container or a test runner may leave some CPUs out of reach.
    if (set.empty() || !Within(set, usable)) continue;
    EXPECT_TRUE(Pin(child, set)) << "set from CPU " << set.front();
    EXPECT_EQ(AffinityOf(child, topology.online.back()), set) << "set from CPU " << set.front();
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
}

}  // namespace
}  // namespace mervale
