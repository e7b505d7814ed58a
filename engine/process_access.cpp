#include "engine/process_access.h"

namespace mervale {

bool SetAffinity(ProcessPlatform& platform, Pid pid, AffinityMask mask) {
  const ProcessHandle process = platform.OpenProcess(ProcessAccess::kSetInformation, pid);
  if (process == kNoProcess) return false;
  const bool set = platform.SetAffinityMask(process, mask);
  platform.CloseProcess(process);
  return set;
}

AffinityMask GetAffinity(ProcessPlatform& platform, Pid pid) {
  AffinityMask mask = 0;
  const ProcessHandle process = platform.OpenProcess(ProcessAccess::kQueryInformation, pid);
  if (process == kNoProcess) return mask;
  // A failed read may have touched the out value; only a successful one counts.
  AffinityMask read = 0;
  if (platform.GetAffinityMask(process, read)) mask = read;
  platform.CloseProcess(process);
  return mask;
}

ErrorCode ProcessNameOf(ProcessPlatform& platform, Pid pid, std::string& name) {
  // Our own process is named without a snapshot: the caller knows who it is.
  if (pid == platform.CurrentPid()) {
    name = "Mervale";
    return 0;
  }
  name.clear();
  const SnapshotHandle snapshot = platform.CreateSnapshot();
  if (snapshot == kInvalidSnapshot) return platform.LastError();

  ErrorCode status = 0;
  Pid entry = 0;
  if (!platform.FirstEntry(snapshot, entry)) {
    status = platform.LastError();
  } else {
    do {
      if (entry == pid) {
        name = platform.EntryName(snapshot);
        break;
      }
    } while (platform.NextEntry(snapshot, entry));
  }
  platform.CloseSnapshot(snapshot);
  return status;
}

ErrorCode SnapshotPids(ProcessPlatform& platform, std::vector<Pid>& list) {
  const SnapshotHandle snapshot = platform.CreateSnapshot();
  if (snapshot == kInvalidSnapshot) return platform.LastError();

  ErrorCode status = 0;
  list.assign(1, 0);
  if (!platform.FirstEntry(snapshot, list[0])) {
    status = platform.LastError();
  } else {
    Pid entry = 0;
    while (platform.NextEntry(snapshot, entry)) list.push_back(entry);
  }
  platform.CloseSnapshot(snapshot);
  return status;
}

}  // namespace mervale
