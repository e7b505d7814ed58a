#pragma once

#include <string>
#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// True when the process's mask was set. Opens and closes the process within the call.
bool SetAffinity(ProcessPlatform& platform, Pid pid, AffinityMask mask);

// The process's mask, or 0 when it cannot be opened or read.
AffinityMask GetAffinity(ProcessPlatform& platform, Pid pid);

// Own PID gives "Mervale" without a snapshot; a PID not in the snapshot gives status 0 and an
// empty name; a failing snapshot gives the platform's error code.
ErrorCode ProcessNameOf(ProcessPlatform& platform, Pid pid, std::string& name);

// The PIDs of all running processes in snapshot order. On a non-zero status the caller ignores
// the list.
ErrorCode SnapshotPids(ProcessPlatform& platform, std::vector<Pid>& list);

}  // namespace mervale
