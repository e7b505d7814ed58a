// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/fake/fake_platform.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace mervale {

FakeProcessPlatform::FakeProcessPlatform(int cpuCount, Pid ownPid)
    : cpuCount_(cpuCount), ownPid_(ownPid) {}

void FakeProcessPlatform::AddProcess(Pid pid, std::string name, AffinityMask mask) {
  if (Find(pid) != nullptr) throw std::invalid_argument("process already exists");
  positions_[pid] = machine_.size();
  ProgramIdentity program = FileNamed(name);
  machine_.push_back({pid, std::move(name), mask, ++lastStartTime_, program});
}

void FakeProcessPlatform::RemoveProcess(Pid pid) {
  if (std::erase_if(machine_, [pid](const Process& process) { return process.pid == pid; }) == 0) {
    return;
  }
  positions_.clear();
  for (std::size_t i = 0; i < machine_.size(); ++i) positions_[machine_[i].pid] = i;
}

void FakeProcessPlatform::RunProgram(Pid pid, std::string name) {
  Process& process = Existing(pid);
  process.program = FileNamed(name);
  process.name = std::move(name);
}

void FakeProcessPlatform::Rename(Pid pid, std::string name) {
  Existing(pid).name = std::move(name);
}

void FakeProcessPlatform::HideExecutable(Pid pid) {
  Existing(pid).executableHidden = true;
}

ProgramIdentity FakeProcessPlatform::FileNamed(const std::string& name) {
  const auto [file, added] = files_.try_emplace(name);
  // Files of one device, numbered as they come, each with code of its own size.
  if (added) file->second = {1, files_.size(), 4 * files_.size()};
  return file->second;
}

void FakeProcessPlatform::SetMaskFromOutside(Pid pid, AffinityMask mask) {
  Existing(pid).mask = mask;
}

void FakeProcessPlatform::RefuseRead(Pid pid) {
  refusedReads_.insert(pid);
}

void FakeProcessPlatform::RefuseSet(Pid pid) {
  refusedSets_.insert(pid);
}

AffinityMask FakeProcessPlatform::MaskOf(Pid pid) const {
  const Process* process = Find(pid);
  return process != nullptr ? process->mask : AffinityMask{};
}

std::vector<Pid> FakeProcessPlatform::Pids() const {
  std::vector<Pid> pids;
  for (const Process& process : machine_) pids.push_back(process.pid);
  return pids;
}

ErrorCode FakeProcessPlatform::ListPids(std::vector<Pid>& pids) {
  ++calls_.snapshotsCreated;
  if (listFailure_) return *listFailure_;
  pids.resize(machine_.size());
  std::ranges::transform(machine_, pids.begin(), &Process::pid);
  return 0;
}

std::string FakeProcessPlatform::ProcessName(Pid pid) {
  ++calls_.namesRead;
  const Process* process = Find(pid);
  return process != nullptr ? process->name : std::string();
}

std::uint64_t FakeProcessPlatform::StartTime(Pid pid) {
  const Process* process = Find(pid);
  return process != nullptr && tellStartTimes_ ? process->startTime : 0;
}

AffinityMask FakeProcessPlatform::GetMask(Pid pid) {
  ++calls_.gets;
  const Process* process = Find(pid);
  return process != nullptr && !refusedReads_.contains(pid) ? process->mask : AffinityMask{};
}

ErrorCode FakeProcessPlatform::SetMask(Pid pid, AffinityMask mask) {
  ++calls_.sets;
  Process* target = Find(pid);
  if (target == nullptr) return kInvalidParameter;
  const bool namesMissingCpu = mask.End() > std::size_t(cpuCount_);
  const ErrorCode result = refusedSets_.contains(pid)        ? kAccessDenied
                           : mask.Empty() || namesMissingCpu ? kInvalidParameter
                                                             : 0;
  calls_.setLog.push_back({pid, mask, result == 0});
  if (result != 0) return result;
  target->mask = mask;
  return 0;
}

ProgramIdentity FakeProcessPlatform::Program(Pid pid) {
  const Process* process = Find(pid);
  if (process == nullptr) return {};
  if (!process->executableHidden) return process->program;
  ProgramIdentity codeOnly;
  codeOnly.codeKiB = process->program.codeKiB;
  return codeOnly;
}

std::optional<Pid> FakeProcessPlatform::ParentPid(Pid pid) {
  const auto found = parents_.find(pid);
  if (found == parents_.end()) return std::nullopt;
  return found->second;
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

}  // namespace mervale
