#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// Every (PID, name) pair of one walk over a fresh snapshot; empty when none can be taken.
inline std::vector<std::pair<Pid, std::string>> WalkSnapshot(ProcessPlatform& platform) {
  std::vector<std::pair<Pid, std::string>> entries;
  const SnapshotHandle snapshot = platform.CreateSnapshot();
  if (snapshot == kInvalidSnapshot) return entries;
  Pid pid = 0;
  for (bool more = platform.FirstEntry(snapshot, pid); more;
       more = platform.NextEntry(snapshot, pid)) {
    entries.emplace_back(pid, platform.EntryName(snapshot));
  }
  platform.CloseSnapshot(snapshot);
  return entries;
}

}  // namespace mervale
