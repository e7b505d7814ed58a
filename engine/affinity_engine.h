// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/assignment_policy.h"
#include "engine/platform/process_platform.h"
#include "engine/process_table.h"
#include "engine/remembering_platform.h"

namespace mervale {

// How the engine's one message, "Failure" (no process snapshot could be taken), reaches the user.
class FailureReporter {
 public:
  virtual ~FailureReporter() = default;
  virtual void ShowFailure() = 0;
  // Profile entries that name a CPU the machine does not have online, each once, after the pass
  // or the start in which it would first have applied. Reporters that only count failures let
  // them pass.
  virtual void ShowEntriesNamingMissingCpus(const LineList& /*entries*/) {}
};

// The process table kept in step with the running processes, and the user's actions on its rows.
// A process gets the current mode once, at the pass that first sees it with a managed mask.
class AffinityEngine {
 public:
  AffinityEngine(ProcessPlatform& platform, FailureReporter& reporter);

  ProcessTable& Table() { return table_; }
  const ProcessTable& Table() const { return table_; }
  AssignmentPolicy& Policy() { return policy_; }
  const AssignmentPolicy& Policy() const { return policy_; }

  bool IsKnownPid(Pid pid) const;
  std::size_t KnownPidCount() const { return known_.size(); }

  // One pass over the listed processes: new ones get the mode and a row, known rows follow their
  // masks, vanished rows go. "Failure" when the processes cannot be listed; then nothing changes.
  void RefreshProcesses();
  // The same over an emptied table, so every running process gets the mode again. Unlike a
  // refresh it also reports "Failure" when the listing is empty.
  void RebuildProcesses();
  // Forgets every process and row; a mode or profile change does this before rebuilding.
  void ClearProcesses();
  // These processes may have just started a program, in this order: each one new to the engine,
  // or running another program than when the engine took it (exec), is taken as newly seen under
  // the name of the program it runs now, and gets the mode and a row as a pass would give it; one
  // the engine knows under the program it runs (forked without exec) is left as it is, and one
  // that ended loses its row. A process named more than once counts once, under its latest
  // program. The new rows wait for ShowStartedRows() or the next pass: a shown table would make
  // every start wait for the view.
  void ProgramsStarted(std::span<const Pid> pids);
  void ShowStartedRows() { table_.PlaceAddedRows(); }
  // Takes known processes that run another program now than when they were taken, so one first
  // seen as another user's, which became the user's through setuid and exec, gets its mode and
  // its row; known processes that ended lose their rows, also where no refresh timer runs. Each
  // look asks about the kNewestLookedAt processes started last and one in kLookSlices of the
  // others, so every process is asked about within kLookSlices looks.
  static constexpr std::size_t kNewestLookedAt = 16;
  static constexpr Pid kLookSlices = 8;
  void LookForProgramChanges();
  // Whether passes read the masks of known processes for the CPU column; nothing shows the column
  // while the window is hidden, so passes then only look for new processes.
  void FollowKnownMasks(bool follow) { followKnownMasks_ = follow; }
  // Which CPUs the machine has online decides the managed CPUs, the layout and the cycle; every
  // pass reads it first, and the layout again when the CPUs changed.
  void ReadMachine();

  // The selected rows' processes get the set (excluded ones too), then a refresh.
  void ApplyToSelected(const AffinityMask& mask);
  // Records the set for the selected rows' names in the active profile; a set that is empty or
  // names a CPU the machine does not have online is not recorded.
  void AddSelectedToProfile(const AffinityMask& mask);
  // Selected rows go to CPU 1, every other row in turn to the cycle's CPUs after CPU 1 (on a
  // machine with more than four CPUs, all to CpusBesideFirstCore as one set); excluded names stay.
  void Isolate();
  // Adds the selected rows' lower-cased names to the exclusion list unless already there.
  void Exclude();
  // The selected rows' processes, or every running process whose set the engine changed, get back
  // the set they had before its first change; then a refresh. Others are left alone.
  void RestoreSelected();
  void RestoreAll();
  // How many running processes have a set to be given back.
  std::size_t RememberedCount() const { return platform_.RememberedCount(); }

 private:
  enum class EmptyListing { kEmptiesTable, kIsFailure };
  void Pass(EmptyListing onEmptyListing);
  struct KnownProcess {
    std::uint64_t seenInPass = 0;
    // Where the platform tells it: a PID with another is another process.
    std::uint64_t startTime = 0;
    // What it ran when it was last taken as new: only a start of another program makes it new
    // again, not a name it gives itself nor a rename of its file.
    ProgramIdentity program;
    bool tookCycleStep = false;  // mode Automatic gave it a CPU (or would have, in vain)
  };

  void TrackProcess(Pid pid);
  static bool IsSameProcess(const KnownProcess& known, std::uint64_t startTime);
  // A process seen for the first time with this mask, or running a new program, gets the mode and
  // a row.
  void TrackNewProcess(Pid pid, KnownProcess& known, const AffinityMask& mask);
  // Takes a known process afresh: another process under its PID, or it runs another program.
  void TakeAsNew(Pid pid, KnownProcess& known, bool sameProcess);
  void ForgetEnded(Pid pid);
  std::string NameForRow(Pid pid);
  void ReportEntriesNamingMissingCpus();
  void ForgetUnseenPids(std::size_t seenCount);
  const std::string& MaskTextOf(const AffinityMask& mask);

  RememberingPlatform platform_;
  FailureReporter& reporter_;
  ProcessTable table_;
  AssignmentPolicy policy_;
  // A PID is known when the previous or the current pass saw it.
  std::unordered_map<Pid, KnownProcess> known_;
  std::uint64_t pass_ = 0;
  std::vector<Pid> pids_;     // the latest listing, kept so a pass allocates nothing for it
  std::vector<Pid> changed_;  // of the latest LookForProgramChanges, kept for the same reason
  std::vector<std::pair<std::uint64_t, Pid>> byStart_;  // start time and PID, for the same
  std::uint64_t looks_ = 0;  // LookForProgramChanges so far, which picks its slice
  bool followKnownMasks_ = true;
  // Entries naming missing CPUs: every one reported so far, and those found since the last report.
  std::unordered_set<std::string> reportedEntries_;
  LineList entriesToReport_;
  // Emptying the table forgets which PIDs the remembered sets belong to, so the next pass drops
  // those of processes gone meanwhile.
  bool rememberedNeedSweep_ = false;
  // The latest mask turned into text: most processes share one mask, and on a big machine its
  // text is long.
  AffinityMask lastMask_;
  std::string lastMaskText_;
};

}  // namespace mervale
