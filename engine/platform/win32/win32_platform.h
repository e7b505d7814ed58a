#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// Length of the executable-name field of a process snapshot entry.
inline constexpr std::size_t kSnapshotNameLength = 260;

// The name held in a snapshot entry: up to the first NUL, or the whole field when it has none.
std::string NameFromSnapshotField(std::span<const char, kSnapshotNameLength> field);

// Process management through the Windows Tool Help snapshot and the process affinity calls.
class Win32ProcessPlatform final : public ProcessPlatform {
 public:
  // One snapshot gives the list and the names; a snapshot without a first entry gives 0 and no
  // PID.
  ErrorCode ListPids(std::vector<Pid>& pids) override;
  // The name the latest listing's snapshot gave; empty for a PID it did not hold.
  std::string ProcessName(Pid pid) override;
  // Open the process for the one call and close it again.
  AffinityMask OnlineCpus() override;
  CpuTopology Topology() override { return MachineTopology(); }
  AffinityMask GetMask(Pid pid) override;
  ErrorCode SetMask(Pid pid, AffinityMask mask) override;
  Pid CurrentPid() override;

 private:
  std::unordered_map<Pid, std::string> names_;
};

}  // namespace mervale
