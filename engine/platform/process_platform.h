#pragma once

#include <cstdint>
#include <string>

namespace mervale {

using Pid = std::uint32_t;
using AffinityMask = std::uint32_t;
using ErrorCode = std::uint32_t;  // 0 is success, anything else the platform's last error

enum class ProcessAccess { kQueryInformation, kSetInformation };

// Opaque handles owned by the backend that issued them.
using ProcessHandle = std::uintptr_t;
using SnapshotHandle = std::uintptr_t;
inline constexpr ProcessHandle kNoProcess = 0;
inline constexpr SnapshotHandle kInvalidSnapshot = ~SnapshotHandle{0};

// The operating system's process management as the engine needs it: a frozen list of running
// processes, and reading and setting a process's affinity mask. Every call runs on the caller's
// thread; nothing is cached between calls beyond what a backend documents.
class ProcessPlatform {
 public:
  virtual ~ProcessPlatform() = default;

  // kInvalidSnapshot on failure, with LastError() telling why.
  virtual SnapshotHandle CreateSnapshot() = 0;
  // Position the walk on the first / next entry and give its PID; false when there is none left or
  // on failure.
  virtual bool FirstEntry(SnapshotHandle snapshot, Pid& pid) = 0;
  virtual bool NextEntry(SnapshotHandle snapshot, Pid& pid) = 0;
  // The executable name of the entry the walk stands on. Backends may read it only when asked, so
  // callers ask only for processes they do not know yet.
  virtual std::string EntryName(SnapshotHandle snapshot) = 0;
  virtual void CloseSnapshot(SnapshotHandle snapshot) = 0;

  // kNoProcess when the process does not exist or access is refused.
  virtual ProcessHandle OpenProcess(ProcessAccess access, Pid pid) = 0;
  virtual bool GetAffinityMask(ProcessHandle process, AffinityMask& processMask) = 0;
  // Refused (false) for mask 0, a mask naming a CPU the machine lacks, or a handle without the
  // right to set; the process then keeps its mask.
  virtual bool SetAffinityMask(ProcessHandle process, AffinityMask mask) = 0;
  virtual void CloseProcess(ProcessHandle process) = 0;

  virtual ErrorCode LastError() = 0;
  virtual void SetLastError(ErrorCode code) = 0;
  virtual Pid CurrentPid() = 0;
};

}  // namespace mervale
