#include "engine/affinity_engine.h"

#include <algorithm>
#include <unordered_set>

#include "engine/cpu_set.h"
#include "store/line_search.h"

namespace mervale {

AffinityEngine::AffinityEngine(ProcessPlatform& platform, FailureReporter& reporter)
    : platform_(platform), reporter_(reporter) {}

bool AffinityEngine::IsKnownPid(Pid pid) const {
  const auto found = known_.find(pid);
  return found != known_.end() && found->second + 1 >= pass_;
}

void AffinityEngine::RefreshProcesses() {
  Pass(EmptyListing::kEmptiesTable);
}

void AffinityEngine::RebuildProcesses() {
  Pass(EmptyListing::kIsFailure);
}

void AffinityEngine::ClearProcesses() {
  known_.clear();
  table_.Clear();
  rememberedNeedSweep_ = true;
}

void AffinityEngine::Pass(EmptyListing onEmptyListing) {
  if (platform_.ListPids(pids_) != 0 ||
      (pids_.empty() && onEmptyListing == EmptyListing::kIsFailure)) {
    reporter_.ShowFailure();
    return;
  }
  ++pass_;
  ReadMachine();
  table_.BeginPass();
  for (const Pid pid : pids_) TrackProcess(pid);
  table_.EndPass();
  ForgetUnseenPids(pids_.size());
  if (rememberedNeedSweep_) platform_.ForgetEnded([this](Pid pid) { return known_.contains(pid); });
  rememberedNeedSweep_ = false;
}

void AffinityEngine::ProgramsStarted(std::span<const Pid> pids) {
  std::unordered_set<Pid> counted;
  std::vector<Pid> latest;
  for (auto pid = pids.rbegin(); pid != pids.rend(); ++pid) {
    if (counted.insert(*pid).second) latest.push_back(*pid);
  }
  for (auto pid = latest.rbegin(); pid != latest.rend(); ++pid) {
    platform_.ProgramStarted(*pid);
    // Recorded as seen by the latest pass, so the next one counts the process as known.
    known_[*pid] = pass_;
    table_.RemoveRow(*pid);
    TrackNewProcess(*pid, platform_.GetMask(*pid));
  }
  table_.PlaceAddedRows();
}

void AffinityEngine::TrackProcess(Pid pid) {
  auto [entry, isNew] = known_.try_emplace(pid, pass_);
  if (!isNew && entry->second + 1 < pass_) isNew = true;  // a stale record of a PID gone meanwhile
  entry->second = pass_;
  if (isNew) {
    TrackNewProcess(pid, platform_.GetMask(pid));
  } else if (followKnownMasks_) {
    table_.TouchRow(pid, MaskTextOf(platform_.GetMask(pid)));
  } else {
    table_.KeepRow(pid);
  }
}

void AffinityEngine::TrackNewProcess(Pid pid, const AffinityMask& mask) {
  // A process first seen outside the managed CPUs (or unreadable) never gets a row, so its name is
  // not needed: reading names is what a pass spends most on.
  if (!IsManagedMask(mask, policy_.managedCpus)) return;
  std::string name = NameForRow(pid);
  platform_.NewProcess(pid, mask);
  ApplyModeTo(platform_, policy_, pid, name);
  table_.AddRow(std::move(name), std::to_string(pid), pid, MaskTextOf(platform_.GetMask(pid)));
}

void AffinityEngine::ReadMachine() {
  CpuSet managed = ManagedCpus(platform_.OnlineCpus());
  if (managed == policy_.managedCpus) return;
  policy_.managedCpus = std::move(managed);
  UpdateCycleCpus(policy_);
  lastMaskText_.clear();  // its width may have changed
}

const std::string& AffinityEngine::MaskTextOf(const AffinityMask& mask) {
  if (lastMaskText_.empty() || mask != lastMask_) {
    lastMaskText_ = MaskToText(IsManagedMask(mask, policy_.managedCpus) ? mask : AffinityMask{},
                               MaskTextWidth(policy_.managedCpus));
    lastMask_ = mask;
  }
  return lastMaskText_;
}

std::string AffinityEngine::NameForRow(Pid pid) {
  if (pid == platform_.CurrentPid()) return "Mervale";
  std::string name = platform_.ProcessName(pid);
  if (name.empty()) return "unkown";
  // A file name may hold line breaks; recorded in a profile or the exclusion list as it stands, it
  // would come back as two entries, one of them naming another program.
  std::ranges::replace_if(
      name, [](char c) { return c == '\r' || c == '\n'; }, '?');
  return name;
}

void AffinityEngine::ForgetUnseenPids(std::size_t seenCount) {
  if (known_.size() == seenCount) return;
  std::erase_if(known_, [this](const auto& entry) {
    if (entry.second == pass_) return false;
    platform_.Forget(entry.first);  // a later process under its PID is another one
    return true;
  });
}

void AffinityEngine::ApplyToSelected(const AffinityMask& mask) {
  table_.ForEachSelectedRow([&](const ProcessRow& row) { platform_.SetMask(row.pid, mask); });
  RefreshProcesses();
}

void AffinityEngine::AddSelectedToProfile(const AffinityMask& mask) {
  ReadMachine();
  const std::string maskText = MaskToText(mask, MaskTextWidth(policy_.managedCpus));
  LineList& profile = policy_.profileList;
  table_.ForEachSelectedRow([&](const ProcessRow& row) {
    std::erase_if(profile, [&](const std::string& entry) {
      return EntryBelongsTo(entry, row.name, policy_.managedCpus);
    });
    profile.push_back(maskText + ": " + row.name);
  });
}

void AffinityEngine::Isolate() {
  // The other rows spread over the cycle's CPUs after CPU 1; a cycle without any leaves them be.
  const std::optional<std::size_t> firstAfterCpu1 = policy_.cycleCpus.FirstFrom(1);
  if (firstAfterCpu1) policy_.nextCpu = std::int32_t(*firstAfterCpu1 + 1);
  const int count = table_.RowCount();
  for (int i = 0; i < count; ++i) {
    const ProcessRow& row = table_.RowAt(i);
    if (IsExcluded(policy_.exclusionList, row.name)) continue;
    if (row.selected) {
      platform_.SetMask(row.pid, 1);
      continue;
    }
    if (firstAfterCpu1) GiveNextCpu(platform_, policy_, row.pid, 2);
  }
  RefreshProcesses();
}

void AffinityEngine::Exclude() {
  LineList& exclusions = policy_.exclusionList;
  table_.ForEachSelectedRow([&](const ProcessRow& row) {
    std::string lower = LowerCaseAscii(row.name);
    if (FindLine(exclusions, lower) == -1) exclusions.push_back(std::move(lower));
  });
}

void AffinityEngine::RestoreSelected() {
  table_.ForEachSelectedRow([this](const ProcessRow& row) { platform_.Restore(row.pid); });
  RefreshProcesses();
}

void AffinityEngine::RestoreAll() {
  // A process that ended since the latest pass may have left its PID to another by now.
  RefreshProcesses();
  platform_.RestoreAll();
  RefreshProcesses();
}

}  // namespace mervale
