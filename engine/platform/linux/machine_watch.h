// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/cpu_set.h"
#include "engine/cpu_topology.h"
#include "engine/platform/linux/unique_fd.h"

namespace mervale {

// The machine's layout as this process may use it. Reading it through hwloc takes milliseconds, so
// it is read again only when one of two cheap looks says the CPUs changed: the kernel's list of
// online CPUs (a CPU taken offline or brought back), or this process's own CPU set, which the
// kernel narrows or widens with the CPUs of its cgroup.
class MachineWatch {
 public:
  using Load = std::function<CpuTopology()>;
  // Reads the layout with `load`, watching the online list at `onlineList`.
  explicit MachineWatch(Load load = MachineTopology,
                        const char* onlineList = "/sys/devices/system/cpu/online");

  // Looks for a change, and reads the layout again when it finds one.
  void Update();
  const CpuTopology& Topology() const { return topology_; }
  // The CPUs of the layout.
  const CpuSet& Cpus() const { return cpus_; }

 private:
  // Both looks into the scratch buffers; true when either differs from the kept one.
  bool Look();
  void ReadLayout();

  Load load_;
  UniqueFd onlineFd_;  // held open: sysfs shows the list afresh at each read from its start
  std::string online_, onlineNow_;
  std::vector<unsigned long> ownCpus_, ownCpusNow_;  // as sched_getaffinity fills them
  CpuTopology topology_;
  CpuSet cpus_;
};

}  // namespace mervale
