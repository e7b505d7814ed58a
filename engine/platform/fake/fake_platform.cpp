#include "engine/platform/fake/fake_platform.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace mervale {

FakeProcessPlatform::FakeProcessPlatform(int cpuCount, Pid ownPid)
    : cpuCount_(cpuCount), ownPid_(ownPid) {}

void FakeProcessPlatform::AddProcess(Pid pid, std::string name, AffinityMask mask,
                                     int threadCount) {
  if (Find(pid) != nullptr) throw std::invalid_argument("process already exists");
  if (threadCount < 1) throw std::invalid_argument("a process has at least one thread");
  positions_[pid] = machine_.size();
  machine_.push_back(
      {pid, std::move(name), mask, std::vector<AffinityMask>(std::size_t(threadCount), mask)});
}

void FakeProcessPlatform::RemoveProcess(Pid pid) {
  if (std::erase_if(machine_, [pid](const Process& process) { return process.pid == pid; }) == 0) {
    return;
  }
  positions_.clear();
  for (std::size_t i = 0; i < machine_.size(); ++i) positions_[machine_[i].pid] = i;
}

void FakeProcessPlatform::RenameProcess(Pid pid, std::string name) {
  Existing(pid).name = std::move(name);
}

void FakeProcessPlatform::SetMaskFromOutside(Pid pid, AffinityMask mask) {
  Process& process = Existing(pid);
  process.mask = mask;
  std::ranges::fill(process.threadMasks, mask);
}

void FakeProcessPlatform::SetThreadMaskFromOutside(Pid pid, std::size_t thread, AffinityMask mask) {
  Existing(pid).threadMasks.at(thread) = mask;
}

void FakeProcessPlatform::RefuseOpen(Pid pid, ProcessAccess access) {
  refusedOpens_.insert({pid, access});
}

void FakeProcessPlatform::RefuseSet(Pid pid) {
  refusedSets_.insert(pid);
}

bool FakeProcessPlatform::HasProcess(Pid pid) const {
  return Find(pid) != nullptr;
}

AffinityMask FakeProcessPlatform::MaskOf(Pid pid) const {
  const Process* process = Find(pid);
  return process != nullptr ? process->mask : 0;
}

std::vector<AffinityMask> FakeProcessPlatform::ThreadMasksOf(Pid pid) const {
  const Process* process = Find(pid);
  return process != nullptr ? process->threadMasks : std::vector<AffinityMask>{};
}

std::vector<Pid> FakeProcessPlatform::Pids() const {
  std::vector<Pid> pids;
  for (const Process& process : machine_) pids.push_back(process.pid);
  return pids;
}

SnapshotHandle FakeProcessPlatform::CreateSnapshot() {
  ++calls_.snapshotsCreated;
  if (snapshotFailure_) {
    lastError_ = *snapshotFailure_;
    return kInvalidSnapshot;
  }
  Snapshot snapshot;
  for (const Process& process : machine_) snapshot.entries.push_back({process.pid, process.name});
  const SnapshotHandle handle = nextHandle_++;
  openSnapshots_.emplace(handle, std::move(snapshot));
  return handle;
}

bool FakeProcessPlatform::FirstEntry(SnapshotHandle snapshot, Pid& pid) {
  return Step(snapshot, true, pid);
}

bool FakeProcessPlatform::NextEntry(SnapshotHandle snapshot, Pid& pid) {
  return Step(snapshot, false, pid);
}

bool FakeProcessPlatform::Step(SnapshotHandle snapshot, bool first, Pid& pid) {
  ++calls_.entriesWalked;
  const auto found = openSnapshots_.find(snapshot);
  if (found == openSnapshots_.end()) return Fail(kInvalidHandle);
  if (first && firstEntryFailure_) return Fail(*firstEntryFailure_);
  Snapshot& walk = found->second;
  const std::size_t next = first ? 0 : (walk.position ? *walk.position + 1 : 0);
  if (next >= walk.entries.size()) {
    walk.position = walk.entries.size();
    return Fail(kNoMoreFiles);
  }
  walk.position = next;
  pid = walk.entries[next].pid;
  return true;
}

std::string FakeProcessPlatform::EntryName(SnapshotHandle snapshot) {
  ++calls_.namesRead;
  const auto found = openSnapshots_.find(snapshot);
  if (found == openSnapshots_.end()) return {};
  const Snapshot& walk = found->second;
  if (!walk.position || *walk.position >= walk.entries.size()) return {};
  return walk.entries[*walk.position].name;
}

void FakeProcessPlatform::CloseSnapshot(SnapshotHandle snapshot) {
  ++calls_.snapshotsClosed;
  openSnapshots_.erase(snapshot);
}

ProcessHandle FakeProcessPlatform::OpenProcess(ProcessAccess access, Pid pid) {
  ++(access == ProcessAccess::kQueryInformation ? calls_.queryOpens : calls_.setOpens);
  if (Find(pid) == nullptr) {
    Fail(kInvalidParameter);
    return kNoProcess;
  }
  if (refusedOpens_.contains({pid, access})) {
    Fail(kAccessDenied);
    return kNoProcess;
  }
  const ProcessHandle handle = nextHandle_++;
  openProcesses_.emplace(handle, OpenedProcess{pid, access});
  return handle;
}

bool FakeProcessPlatform::GetAffinityMask(ProcessHandle process, AffinityMask& processMask) {
  ++calls_.gets;
  const auto opened = openProcesses_.find(process);
  if (opened == openProcesses_.end()) return Fail(kInvalidHandle);
  if (opened->second.access != ProcessAccess::kQueryInformation) return Fail(kAccessDenied);
  const Process* target = Find(opened->second.pid);
  if (target == nullptr) return Fail(kInvalidParameter);
  processMask = target->mask;
  return true;
}

bool FakeProcessPlatform::SetAffinityMask(ProcessHandle process, AffinityMask mask) {
  ++calls_.sets;
  const auto opened = openProcesses_.find(process);
  if (opened == openProcesses_.end()) return Fail(kInvalidHandle);
  const Pid pid = opened->second.pid;
  auto refuse = [&](ErrorCode code) {
    calls_.setLog.push_back({pid, mask, false});
    return Fail(code);
  };
  if (opened->second.access != ProcessAccess::kSetInformation || refusedSets_.contains(pid)) {
    return refuse(kAccessDenied);
  }
  const bool namesMissingCpu = cpuCount_ < 32 && (mask >> cpuCount_) != 0;
  if (mask == 0 || namesMissingCpu) return refuse(kInvalidParameter);
  Process* target = Find(pid);
  if (target == nullptr) return refuse(kInvalidParameter);
  target->mask = mask;
  std::ranges::fill(target->threadMasks, mask);
  calls_.setLog.push_back({pid, mask, true});
  return true;
}

void FakeProcessPlatform::CloseProcess(ProcessHandle process) {
  ++calls_.processesClosed;
  openProcesses_.erase(process);
}

FakeProcessPlatform::Process* FakeProcessPlatform::Find(Pid pid) {
  return const_cast<Process*>(std::as_const(*this).Find(pid));
}

const FakeProcessPlatform::Process* FakeProcessPlatform::Find(Pid pid) const {
  const auto found = positions_.find(pid);
  return found != positions_.end() ? &machine_[found->second] : nullptr;
}

FakeProcessPlatform::Process& FakeProcessPlatform::Existing(Pid pid) {
  Process* process = Find(pid);
  if (process == nullptr) throw std::invalid_argument("no such process");
  return *process;
}

bool FakeProcessPlatform::Fail(ErrorCode code) {
  lastError_ = code;
  return false;
}

}  // namespace mervale
