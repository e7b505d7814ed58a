// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// One running process as a listing gives it; a start time of 0 was not told.
struct ListedProcess {
  Pid pid = 0;
  std::string name;
  std::uint64_t startTime = 0;  // creation time, in 100 ns since 1601
  Pid parent = 0;               // the process that created it, which may have ended since
};

// The running processes in the system's order, processes without threads left out (they have
// ended and only an open handle keeps them listed); 0 or the failure's code. The first asks
// NtQuerySystemInformation for every process with its name and creation time in one call, into
// `buffer`, which grows to the size the system asks for and is kept for the next call; the
// second walks a Tool Help snapshot, which tells no creation time.
ErrorCode ListFromSystemInformation(std::vector<std::uint64_t>& buffer,
                                    std::vector<ListedProcess>& processes);
ErrorCode ListFromSnapshot(std::vector<ListedProcess>& processes);

// Process management through the system's process list and the process affinity calls.
class Win32ProcessPlatform final : public ProcessPlatform {
 public:
  // One listing gives the PIDs, names and start times; the Tool Help snapshot stands in where the
  // system information cannot be had. A listing without any process gives 0 and no PID.
  ErrorCode ListPids(std::vector<Pid>& pids) override;
  // The name and start time the latest listing gave; empty resp. 0 for a PID it did not hold.
  std::string ProcessName(Pid pid) override;
  std::uint64_t StartTime(Pid pid) override;
  std::uint64_t StartTimeNow() override;
  // Open the process for the one call and close it again.
  AffinityMask OnlineCpus() override;
  CpuTopology Topology() override { return MachineTopology(); }
  AffinityMask GetMask(Pid pid) override;
  ErrorCode SetMask(Pid pid, AffinityMask mask) override;
  Pid CurrentPid() override;
  // The one the latest listing names; a PID it did not hold has none.
  std::optional<Pid> ParentPid(Pid pid) override;

 private:
  const ListedProcess* Listed(Pid pid) const;

  std::vector<std::uint64_t> systemInformation_;
  std::vector<ListedProcess> listed_;
  std::unordered_map<Pid, std::size_t> positions_;
};

}  // namespace mervale
