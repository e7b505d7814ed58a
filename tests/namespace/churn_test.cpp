// SPDX-License-Identifier: GPL-3.0-or-later

// The engine over the real Linux backend while processes start and end all the time: short-lived
// ones, multi-threaded ones, ones that exec, many of them ending between the snapshot and the
// moment their mask is read or set. After every pass the table must still be consistent, every
// process that lived through a whole pass must have its single CPU, and nothing may pile up.
//
// Runs for MERVALE_CHURN_SECONDS (10 by default) inside the PID namespace of namespace_tests, where
// the only processes are this program and the ones it starts.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/platform/linux/linux_platform.h"
#include "tests/common/kernel_affinity.h"
#include "tests/namespace/namespace_children.h"
namespace mervale {
namespace {

using Clock = std::chrono::steady_clock;

// Passes every call on to the real backend and keeps what the engine asked in the last pass: the
// listed PIDs and the masks that were set.
class RecordingPlatform : public ProcessPlatform {
 public:
  explicit RecordingPlatform(ProcessPlatform& real) : real_(real) {}

  void BeginPass() {
    snapshotPids.clear();
    setMasks.clear();
  }
  std::vector<Pid> snapshotPids;
  std::map<Pid, AffinityMask> setMasks;  // masks that were set, by PID

  ErrorCode ListPids(std::vector<Pid>& pids) override {
    const ErrorCode error = real_.ListPids(pids);
    if (error == 0) snapshotPids.insert(snapshotPids.end(), pids.begin(), pids.end());
    return error;
  }
  std::string ProcessName(Pid pid) override { return real_.ProcessName(pid); }
  AffinityMask OnlineCpus() override { return real_.OnlineCpus(); }
  CpuTopology Topology() override { return real_.Topology(); }
  AffinityMask GetMask(Pid pid) override { return real_.GetMask(pid); }
  ErrorCode SetMask(Pid pid, AffinityMask mask) override {
    const ErrorCode error = real_.SetMask(pid, mask);
    if (error == 0) setMasks[pid] = mask;
    return error;
  }
  Pid CurrentPid() override { return real_.CurrentPid(); }

 private:
  ProcessPlatform& real_;
};

// Every process now listed in /proc.
std::set<Pid> LiveProcesses() {
  std::set<Pid> pids;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (!name.empty() && std::ranges::all_of(name, [](char c) { return c >= '0' && c <= '9'; })) {
      pids.insert(static_cast<Pid>(std::stoul(name)));
    }
  }
  return pids;
}

// The state letter of /proc/PID/stat ('R', 'S', 'Z', ...), or 0 when the process is gone.
char StateOf(Pid pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  const std::size_t close = line.rfind(')');
  return close == std::string::npos || close + 2 >= line.size() ? 0 : line[close + 2];
}

bool IsRunning(Pid pid) {
  const char state = StateOf(pid);
  return state != 0 && state != 'Z' && state != 'X';
}

long ResidentKiB() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
  }
  return 0;
}

double ChurnSeconds() {
  const char* text = std::getenv("MERVALE_CHURN_SECONDS");
  return text != nullptr && std::atof(text) > 0 ? std::atof(text) : 10.0;
}

// Counters shared with the spawning process.
struct ChurnStats {
  std::atomic<bool> stop;
  std::atomic<std::uint64_t> started;
  std::atomic<std::uint64_t> threaded;
  std::atomic<std::uint64_t> reaped;
};

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed | 1) {}
  std::uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  int Below(int bound) { return static_cast<int>(Next() % static_cast<std::uint64_t>(bound)); }

 private:
  std::uint64_t state_;
};

void SleepMicroseconds(int microseconds) {
  std::this_thread::sleep_for(std::chrono::microseconds(microseconds));
}

// One short-lived child of one of five kinds.
void StartOneChild(Random& random, ChurnStats& stats) {
  const int kind = random.Below(5);
  const int lifetime = random.Below(30'000);
  if (kind == 4) {  // a real program of another name, through exec
    char sleep[] = "sleep";
    std::string seconds = "0.0" + std::to_string(random.Below(5));
    char* argv[] = {sleep, seconds.data(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ) == 0) ++stats.started;
    return;
  }
  const pid_t child = fork();
  if (child < 0) return;
  if (child > 0) {
    ++stats.started;
    if (kind == 2) ++stats.threaded;
    return;
  }
  switch (kind) {
    case 0:  // ends at once, usually before a pass can read its mask
      _exit(0);
    case 1:
      SleepMicroseconds(lifetime);
      _exit(0);
    case 2: {  // threads that start while the process may be being pinned
      std::vector<std::thread> threads;
      const int count = 2 + random.Below(3);
      for (int i = 0; i < count; ++i) {
        threads.emplace_back(SleepMicroseconds, random.Below(20'000));
        SleepMicroseconds(random.Below(2'000));
      }
      for (std::thread& thread : threads) thread.join();
      _exit(0);
    }
    default:  // an excluded name
      execl("/bin/true", "true", nullptr);
      _exit(127);
  }
}

// The spawning process: keeps up to 24 children alive until told to stop, then reaps them all.
[[noreturn]] void Spawn(ChurnStats& stats, const CpuNumbers& allCpus) {
  Random random(static_cast<std::uint64_t>(getpid()) * 0x9E3779B97F4A7C15ull);
  int alive = 0;
  while (!stats.stop) {
    while (alive > 0 && waitpid(-1, nullptr, WNOHANG) > 0) {
      --alive;
      ++stats.reaped;
    }
    if (alive < 24) {
      // The engine may have pinned this process; its children start with every CPU again.
      testing::Pin(0, allCpus);
      const std::uint64_t before = stats.started;
      StartOneChild(random, stats);
      alive += static_cast<int>(stats.started - before);
    }
    SleepMicroseconds(200 + random.Below(1'500));
  }
  while (waitpid(-1, nullptr, 0) > 0) ++stats.reaped;
  _exit(0);
}

// The spawning process and the counters it shares; stopping it also reaps every child that was
// left to this program.
class Spawner {
 public:
  explicit Spawner(const CpuNumbers& allCpus) {
    void* shared = mmap(nullptr, sizeof(ChurnStats), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (shared == MAP_FAILED) return;
    stats_ = new (shared) ChurnStats{};
    pid_ = fork();
    if (pid_ == 0) Spawn(*stats_, allCpus);
  }
  Spawner(const Spawner&) = delete;
  Spawner& operator=(const Spawner&) = delete;
  ~Spawner() {
    Stop();
    if (stats_ != nullptr) munmap(stats_, sizeof(ChurnStats));
  }
  bool Started() const { return stats_ != nullptr && pid_ > 0; }
  Pid GetPid() const { return static_cast<Pid>(pid_); }
  const ChurnStats& Stats() const { return *stats_; }
  void Stop() {
    if (!Started()) return;
    stats_->stop = true;
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
  }

 private:
  ChurnStats* stats_ = nullptr;
  pid_t pid_ = -1;
};

TEST(ChurnInNamespace, TableStaysConsistentAndEveryLastingProcessGetsItsCpu) {
  ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
  LinuxProcessPlatform kernel;
  const CpuNumbers allCpus = kernel.OnlineCpus().Numbers();
  if (allCpus.size() < 2) GTEST_SKIP() << "needs two online CPUs";

  RecordingPlatform machine(kernel);
  testing::NoFailures reporter;
  AffinityEngine engine(machine, reporter);
  engine.Policy().mode = Mode::kAutomatic;
  // This program itself shows as "Mervale"; "true" is one of the children's names.
  engine.Policy().exclusionList = {"mervale", "true"};

  Spawner spawner(allCpus);
  ASSERT_TRUE(spawner.Started());
  const ChurnStats& stats = spawner.Stats();
  const Pid spawnerPid = spawner.GetPid();

  const auto duration = std::chrono::duration<double>(ChurnSeconds());
  Random random(42);
  std::set<Pid> knownBefore;
  std::size_t passes = 0;
  std::uint64_t startedByPass = 0;  // processes started before the latest pass began
  std::size_t checkedForMode = 0;
  std::size_t mostKnown = 0;
  long residentAtStart = 0;
  long peakAtStart = 0;
  const auto start = Clock::now();
  while (Clock::now() - start < duration && !::testing::Test::HasFailure()) {
    const std::set<Pid> aliveBefore = LiveProcesses();
    machine.BeginPass();
    engine.RefreshProcesses();
    const std::set<Pid> aliveAfter = LiveProcesses();
    ++passes;
    if (passes == 20) {  // every structure has reached its working size
      residentAtStart = ResidentKiB();
      peakAtStart = PeakResidentKiB();
    }

    // KnownPids is exactly the snapshot.
    const std::set<Pid> snapshot(machine.snapshotPids.begin(), machine.snapshotPids.end());
    ASSERT_EQ(snapshot.size(), machine.snapshotPids.size()) << "a PID listed twice";
    ASSERT_EQ(engine.KnownPidCount(), snapshot.size());
    for (const Pid pid : snapshot) ASSERT_TRUE(engine.IsKnownPid(pid)) << pid;
    // A process alive before and after the pass was alive while the snapshot was taken.
    for (const Pid pid : aliveBefore) {
      if (aliveAfter.contains(pid)) {
        ASSERT_TRUE(snapshot.contains(pid)) << pid;
      }
    }

    // Rows: known, one per PID, in order.
    const ProcessTable& table = engine.Table();
    ASSERT_LE(static_cast<std::size_t>(table.RowCount()), engine.KnownPidCount());
    std::set<Pid> rowPids;
    for (int i = 0; i < table.RowCount(); ++i) {
      const ProcessRow& row = table.RowAt(i);
      ASSERT_TRUE(engine.IsKnownPid(row.pid)) << row.pid;
      ASSERT_TRUE(rowPids.insert(row.pid).second) << "two rows for " << row.pid;
      ASSERT_EQ(row.pidText, std::to_string(row.pid));
      if (i > 0) {
        ASSERT_LE(table.Compare(table.RowAt(i - 1), row), 0) << "rows out of order";
      }
    }

    // A process first seen in this pass, with a row and a name that is not excluded, got a single
    // CPU; if it still runs now, that CPU is what the kernel has for it. Excluded ones got nothing.
    for (const Pid pid : snapshot) {
      const ProcessRow* row = table.FindRow(pid);
      if (knownBefore.contains(pid) || row == nullptr) continue;
      const auto set = machine.setMasks.find(pid);
      if (IsExcluded(engine.Policy().exclusionList, row->name)) {
        ASSERT_EQ(set, machine.setMasks.end()) << row->name << " was pinned";
        continue;
      }
      // The spawner sets its own mask back before each child; a change from elsewhere stays.
      if (pid == spawnerPid || !aliveAfter.contains(pid) || !IsRunning(pid)) continue;
      const CpuNumbers now = testing::AffinityOf(static_cast<pid_t>(pid));
      if (!IsRunning(pid)) continue;  // it ended while its mask was read
      ++checkedForMode;
      ASSERT_NE(set, machine.setMasks.end()) << row->name << " " << pid << " got no CPU";
      ASSERT_EQ(set->second.Count(), 1u) << row->name;
      ASSERT_EQ(now, set->second.Numbers()) << row->name << " " << pid;
    }
    knownBefore = snapshot;
    mostKnown = std::max(mostKnown, engine.KnownPidCount());
    std::this_thread::sleep_for(std::chrono::milliseconds(10 + random.Below(21)));
    // Where starting a process is slow (an emulated machine), the next pass waits for one.
    const auto waitUntil = Clock::now() + std::chrono::seconds(2);
    while (stats.started <= startedByPass && Clock::now() < waitUntil) SleepMicroseconds(1'000);
    startedByPass = stats.started;
  }

  spawner.Stop();

  // With the churn over, the engine holds this program and nothing else.
  machine.BeginPass();
  engine.RefreshProcesses();
  EXPECT_EQ(engine.KnownPidCount(), LiveProcesses().size());
  EXPECT_LE(engine.Table().RowCount(), 1);
  const long residentAtEnd = ResidentKiB();
  const long peakAtEnd = PeakResidentKiB();

  std::cout << "churn: " << passes << " passes in " << duration.count() << " s, " << stats.started
            << " processes started (" << stats.threaded << " multi-threaded), " << stats.reaped
            << " reaped, " << checkedForMode << " checked for their CPU, at most " << mostKnown
            << " known at once\n"
            << "memory: resident " << residentAtStart << " KiB after 20 passes, " << residentAtEnd
            << " KiB at the end; peak " << peakAtStart << " KiB then, " << peakAtEnd
            << " KiB at the end\n";
  RecordProperty("passes", static_cast<int>(passes));
  RecordProperty("processes", static_cast<int>(stats.started));
  EXPECT_GT(passes, 20u);
  EXPECT_GE(stats.started, passes) << "too little churn to tell anything";
  EXPECT_GT(checkedForMode, 0u);
#if !defined(__SANITIZE_ADDRESS__)
  // Without a sanitizer's quarantine, memory in use comes back to where it was.
  EXPECT_LT(residentAtEnd - residentAtStart, 4 * 1024) << "resident memory grew";
#endif
}

}  // namespace
}  // namespace mervale
