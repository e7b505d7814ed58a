#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>

#include "engine/platform/process_platform.h"

namespace mervale {

// Length of the executable-name field of a process snapshot entry.
inline constexpr std::size_t kSnapshotNameLength = 260;
using SnapshotNameField = std::array<char, kSnapshotNameLength>;

// The name held in a snapshot entry: up to the first NUL, or the whole field when it has none.
std::string NameFromSnapshotField(const SnapshotNameField& field);

// Process management through the Windows Tool Help snapshot and the process affinity calls.
class Win32ProcessPlatform final : public ProcessPlatform {
 public:
  SnapshotHandle CreateSnapshot() override;
  bool FirstEntry(SnapshotHandle snapshot, Pid& pid) override;
  bool NextEntry(SnapshotHandle snapshot, Pid& pid) override;
  std::string EntryName(SnapshotHandle snapshot) override;
  void CloseSnapshot(SnapshotHandle snapshot) override;

  ProcessHandle OpenProcess(ProcessAccess access, Pid pid) override;
  bool GetAffinityMask(ProcessHandle process, AffinityMask& processMask) override;
  bool SetAffinityMask(ProcessHandle process, AffinityMask mask) override;
  void CloseProcess(ProcessHandle process) override;

  ErrorCode LastError() override;
  void SetLastError(ErrorCode code) override;
  Pid CurrentPid() override;

 private:
  // The name of the entry each open snapshot's walk stands on; dropped when the snapshot closes.
  std::map<SnapshotHandle, SnapshotNameField> currentNames_;
};

}  // namespace mervale
