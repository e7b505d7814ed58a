// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/affinity_engine.h"

#include <algorithm>
#include <functional>
#include <unordered_set>
#include <utility>

#include "engine/cpu_set.h"
#include "store/line_search.h"

namespace mervale {

AffinityEngine::AffinityEngine(ProcessPlatform& platform, FailureReporter& reporter)
    : platform_(platform), reporter_(reporter) {}

bool AffinityEngine::IsKnownPid(Pid pid) const {
  const auto found = known_.find(pid);
  return found != known_.end() && found->second.seenInPass + 1 >= pass_;
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
  ReportEntriesNamingMissingCpus();
}

void AffinityEngine::ReportEntriesNamingMissingCpus() {
  if (entriesToReport_.empty()) return;
  // The report may run a nested event loop; whatever it starts finds the list empty.
  const LineList entries = std::exchange(entriesToReport_, {});
  reporter_.ShowEntriesNamingMissingCpus(entries);
}

void AffinityEngine::ProgramsStarted(std::span<const Pid> pids) {
  std::unordered_set<Pid> counted;
  std::vector<Pid> latest;
  for (auto pid = pids.rbegin(); pid != pids.rend(); ++pid) {
    if (counted.insert(*pid).second) latest.push_back(*pid);
  }
  for (auto pid = latest.rbegin(); pid != latest.rend(); ++pid) {
    if (!platform_.LookAgain(*pid, ProcessPlatform::Doubt::kProcess)) {
      ForgetEnded(*pid);
      continue;
    }
    // Recorded as seen by the latest pass, so the next one counts the process as known.
    auto [entry, isNew] = known_.try_emplace(*pid);
    KnownProcess& known = entry->second;
    known.seenInPass = pass_;
    const bool sameProcess = !isNew && IsSameProcess(known, platform_.StartTime(*pid));
    if (!sameProcess || !RunsSameProgram(known.program, platform_.Program(*pid)))
      TakeAsNew(*pid, known, sameProcess);
  }
  ReportEntriesNamingMissingCpus();
}

void AffinityEngine::LookForProgramChanges() {
  // Programs are mostly run by processes that have just started (a wrapper's or a script's exec),
  // so the newest are looked at every time; the others a slice at a time, so that a machine
  // starting programs all the time does not have every process asked about at every look.
  byStart_.clear();
  for (const auto& [pid, known] : known_) {
    // A process that runs no program (a kernel thread) never runs another.
    if (known.program != ProgramIdentity{}) byStart_.emplace_back(known.startTime, pid);
  }
  const auto newest = byStart_.begin() + std::ptrdiff_t(std::min(kNewestLookedAt, byStart_.size()));
  std::ranges::nth_element(byStart_, newest, std::greater{});
  const std::uint64_t slice = ++looks_ % kLookSlices;
  changed_.clear();
  for (auto process = byStart_.begin(); process != byStart_.end(); ++process) {
    if (process < newest || process->second % kLookSlices == slice)
      changed_.push_back(process->second);
  }
  std::ranges::sort(changed_);  // as a pass meets them
  for (const Pid pid : changed_) {
    KnownProcess& known = known_.at(pid);
    if (!platform_.LookAgain(pid, ProcessPlatform::Doubt::kProgram)) {
      ForgetEnded(pid);
    } else if (!RunsSameProgram(known.program, platform_.Program(pid))) {
      // Whether a later process took the PID is not worth asking of every process at every look.
      if (platform_.LookAgain(pid, ProcessPlatform::Doubt::kProcess)) {
        TakeAsNew(pid, known, IsSameProcess(known, platform_.StartTime(pid)));
      } else {
        ForgetEnded(pid);
      }
    }
  }
}

bool AffinityEngine::IsSameProcess(const KnownProcess& known, std::uint64_t startTime) {
  // A start time not told, now or before, keeps the process it was.
  return known.startTime == 0 || startTime == 0 || known.startTime == startTime;
}

void AffinityEngine::TakeAsNew(Pid pid, KnownProcess& known, bool sameProcess) {
  table_.RemoveRow(pid);
  // What was kept for another process under this PID is not this one's; a process running another
  // program keeps the set it had before we first changed it.
  if (!sameProcess) {
    platform_.Forget(pid);
    known = {};
    known.seenInPass = pass_;
  }
  known.startTime = platform_.StartTime(pid);
  TrackNewProcess(pid, known, platform_.GetMask(pid));
}

void AffinityEngine::ForgetEnded(Pid pid) {
  table_.RemoveRow(pid);
  platform_.Forget(pid);
  known_.erase(pid);
}

void AffinityEngine::TrackProcess(Pid pid) {
  const std::uint64_t startTime = platform_.StartTime(pid);
  auto [entry, isNew] = known_.try_emplace(pid);
  KnownProcess& known = entry->second;
  // A stale record is of a PID gone meanwhile; another start time means the PID was handed to a
  // later process since the last pass, and the row of the one before it goes.
  const bool stale = known.seenInPass + 1 < pass_;
  const bool reused = !IsSameProcess(known, startTime);
  if (!isNew && (stale || reused)) {
    isNew = true;
    if (reused) {
      table_.RemoveRow(pid);
      platform_.Forget(pid);
    }
    known = {};
  }
  known.seenInPass = pass_;
  if (startTime != 0) known.startTime = startTime;
  if (isNew) {
    TrackNewProcess(pid, known, platform_.GetMask(pid));
  } else if (followKnownMasks_) {
    table_.TouchRow(pid, MaskTextOf(platform_.GetMask(pid)));
  } else {
    table_.KeepRow(pid);
  }
}

void AffinityEngine::TrackNewProcess(Pid pid, KnownProcess& known, const AffinityMask& mask) {
  // The look that names the row is the one that tells later looks whether the process has run
  // another program since.
  known.program = platform_.Program(pid);
  // A process first seen outside the managed CPUs (or unreadable) never gets a row, so its name is
  // not needed: reading names is what a pass spends most on.
  if (!IsManagedMask(mask, policy_.managedCpus)) return;
  std::string name = NameForRow(pid);
  platform_.NewProcess(pid, mask, known.startTime);
  const ModeApplied applied = ApplyModeTo(platform_, policy_, pid, name, known.tookCycleStep);
  known.tookCycleStep = applied.tookCycleStep;
  if (applied.entryNamingMissingCpus != nullptr &&
      reportedEntries_.insert(*applied.entryNamingMissingCpus).second)
    entriesToReport_.push_back(*applied.entryNamingMissingCpus);
  table_.AddRow(std::move(name), std::to_string(pid), pid, MaskTextOf(platform_.GetMask(pid)));
}

void AffinityEngine::ReadMachine() {
  AffinityMask online = platform_.OnlineCpus();
  const bool onlineChanged = online != policy_.onlineCpus;
  // A CPU went offline or came back: the menus and the cycle take the layout as it is now.
  if (onlineChanged) policy_.topology = platform_.Topology();
  policy_.onlineCpus = std::move(online);
  CpuSet managed = ManagedCpus(policy_.onlineCpus);
  if (managed == policy_.managedCpus && !onlineChanged) return;
  if (managed != policy_.managedCpus) lastMaskText_.clear();  // its width may have changed
  policy_.managedCpus = std::move(managed);
  UpdateCycleCpus(policy_);
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
    if (entry.second.seenInPass == pass_) return false;
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
  // Mode Manual could never give such an entry's set.
  if (!IsManagedMask(mask, policy_.onlineCpus)) return;
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
  // On a big machine the other rows share the CPUs outside CPU 1's core, each a multi-threaded
  // program's worth of room; on a small one they spread over the cycle's CPUs after CPU 1, and a
  // cycle without any leaves them be.
  const bool bigMachine = ManagesMoreThanFourCpus(policy_.managedCpus);
  const CpuSet others = bigMachine ? CpusBesideFirstCore(policy_) : CpuSet{};
  const std::optional<std::size_t> firstAfterCpu1 = policy_.cycleCpus.FirstFrom(1);
  if (firstAfterCpu1 && !bigMachine) policy_.nextCpu = std::int32_t(*firstAfterCpu1 + 1);
  const int count = table_.RowCount();
  for (int i = 0; i < count; ++i) {
    const ProcessRow& row = table_.RowAt(i);
    if (IsExcluded(policy_.exclusionList, row.name)) continue;
    if (row.selected) {
      platform_.SetMask(row.pid, 1);
    } else if (bigMachine) {
      if (!others.Empty()) platform_.SetMask(row.pid, others);
    } else if (firstAfterCpu1) {
      GiveNextCpu(platform_, policy_, row.pid, 2);
    }
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
