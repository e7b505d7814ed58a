// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The scheduler's own view of a process's CPUs, read and set past the engine, with CPU sets sized
// for the machine at hand: a guest or a workstation may have more CPUs than cpu_set_t holds.
#include <dirent.h>
#include <sched.h>
#include <sys/types.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "engine/cpu_topology.h"

namespace mervale::testing {

// A dynamically sized CPU set for CPUs 0 to `highestCpu`.
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

// The CPUs the scheduler lets the thread or process `pid` run on (0: the caller); empty when they
// cannot be read. The set grows until it is as big as the kernel's, which counts every CPU the
// machine could ever bring online.
inline CpuNumbers AffinityOf(pid_t pid) {
  for (unsigned cpus = CPU_SETSIZE; cpus <= kMaxCpuNumber + 1; cpus *= 2) {
    DynamicCpuSet set(cpus - 1);
    if (sched_getaffinity(pid, set.Size(), set.get()) == 0) return set.Cpus();
    if (errno != EINVAL) break;
  }
  return {};
}

inline bool Pin(pid_t pid, const CpuNumbers& cpus) {
  if (cpus.empty()) return false;
  DynamicCpuSet set(cpus.back());
  for (const unsigned cpu : cpus) CPU_SET_S(cpu, set.Size(), set.get());
  return sched_setaffinity(pid, set.Size(), set.get()) == 0;
}

// The thread IDs of a process, as /proc lists them; empty when it is gone.
inline std::vector<pid_t> ThreadsOf(pid_t pid) {
  std::vector<pid_t> threads;
  const std::string path = "/proc/" + std::to_string(pid) + "/task";
  std::unique_ptr<DIR, int (*)(DIR*)> directory(opendir(path.c_str()), closedir);
  if (!directory) return threads;
  while (const dirent* entry = readdir(directory.get())) {
    if (entry->d_name[0] != '.') threads.push_back(static_cast<pid_t>(std::stol(entry->d_name)));
  }
  return threads;
}

}  // namespace mervale::testing
