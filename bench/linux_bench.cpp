// SPDX-License-Identifier: GPL-3.0-or-later

// The engine on the real /proc, side by side in one run with what any pass must pay and with ps:
//
//   floor   readdir("/proc") and one sched_getaffinity per process, nothing else
//   steady  RefreshProcesses over processes the engine already knows
//   hidden  the same while the window is hidden: no mask of a known process is read
//   setfloor  what any first pass must pay: readdir("/proc"), and for every process, for every
//           thread of readdir("/proc/PID/task"), one sched_getaffinity and one sched_setaffinity
//           (CPU 1 and CPU 2 in turn, as Automatic gives them)
//   first   ClearProcesses, then RebuildProcesses in mode Automatic, as a mode change after
//           a steady pass runs them: every process is new, its name is read again, and it is
//           pinned again
//   ps      `ps -e -o pid=,comm=`, spawned, output discarded
//
// each over 0, 1,000 and 3,000 extra children that sleep in pause(). A summary at the end gives
// the cost per process and the ratio to the floor, and checks the goals: a steady pass within
// 1.5 times the floor, a hidden one below it, a first pass within 1.5 times its own floor and over
// 3,000 processes in under 30 ms, no name read and no mask set in a steady pass, and one mask set
// per process in a first pass.
//
// A first pass re-pins every process it sees, and this program runs as root on shared machines.
// It therefore only ever measures as PID 1 of a PID namespace of its own, with a /proc that shows
// that namespace: started any other way it runs itself again under
// `unshare --pid --fork --mount-proc`, and refuses to go on when that did not give it a namespace.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/platform/linux/linux_platform.h"
#include "proc_entries.h"

extern char** environ;

namespace mervale {
namespace {

constexpr const char* kReexecMarker = "MERVALE_LINUX_BENCH_REEXEC";
constexpr int kPopulations[] = {0, 1000, 3000};

// ---- the namespace ----------------------------------------------------------------------------

bool ProcIsOurs() {
  char self[32] = {};
  const ssize_t length = readlink("/proc/self", self, sizeof self - 1);
  return length > 0 && std::string_view(self, std::size_t(length)) == "1";
}

// Returns only when this process is PID 1 of its own namespace with its own /proc.
void EnsureOwnPidNamespace(int argc, char** argv) {
  if (getpid() == 1 && ProcIsOurs()) return;
  if (getenv(kReexecMarker) != nullptr) {
    std::fprintf(stderr,
                 "linux_bench: not PID 1 of a PID namespace with its own /proc; refusing to "
                 "measure, as a first pass would re-pin every process of the machine.\n");
    std::exit(2);
  }
  char self[PATH_MAX] = {};
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    std::perror("linux_bench: /proc/self/exe");
    std::exit(2);
  }
  setenv(kReexecMarker, "1", 1);
  std::vector<char*> args = {const_cast<char*>("unshare"), const_cast<char*>("--pid"),
                             const_cast<char*>("--fork"), const_cast<char*>("--mount-proc"), self};
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execvp("unshare", args.data());
  std::perror("linux_bench: cannot run unshare --pid --fork --mount-proc");
  std::exit(2);
}

// ---- the population ---------------------------------------------------------------------------

// Children that sleep until they are killed; they start with this program's CPUs, so every one of
// them has a mask the engine manages.
class SleepingChildren {
 public:
  SleepingChildren() = default;
  SleepingChildren(const SleepingChildren&) = delete;
  SleepingChildren& operator=(const SleepingChildren&) = delete;
  ~SleepingChildren() { EndAll(); }

  bool Start(int count) {
    for (int i = 0; i < count; ++i) {
      const pid_t child = fork();
      if (child < 0) return false;
      if (child == 0) {
        for (;;) pause();
      }
      children_.push_back(child);
    }
    return true;
  }

  void EndAll() {
    for (const pid_t child : children_) kill(child, SIGKILL);
    for (const pid_t child : children_) waitpid(child, nullptr, 0);
    children_.clear();
  }

 private:
  std::vector<pid_t> children_;
};

int CountProcesses() {
  int count = 0;
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return 0;
  while (const dirent* entry = readdir(proc))
    count += entry->d_name[0] >= '1' && entry->d_name[0] <= '9';
  closedir(proc);
  return count;
}

void UseEveryOnlineCpu(const AffinityMask& online) {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  for (const unsigned cpu : online.Numbers()) {
    if (cpu < CPU_SETSIZE) CPU_SET(cpu, &cpus);
  }
  sched_setaffinity(0, sizeof cpus, &cpus);
}

// ---- what is measured -------------------------------------------------------------------------

class SilentReporter : public FailureReporter {
 public:
  void ShowFailure() override { ++failures; }
  int failures = 0;
};

// The Linux backend, counting the calls that cost: a name read opens files, a mask set walks the
// process's task directory.
class CountingPlatform : public ProcessPlatform {
 public:
  ErrorCode ListPids(std::vector<Pid>& pids) override { return linux_.ListPids(pids); }
  std::string ProcessName(Pid pid) override {
    ++namesRead;
    return linux_.ProcessName(pid);
  }
  std::uint64_t StartTime(Pid pid) override { return linux_.StartTime(pid); }
  std::uint64_t StartTimeNow() override { return linux_.StartTimeNow(); }
  AffinityMask OnlineCpus() override { return linux_.OnlineCpus(); }
  CpuTopology Topology() override { return linux_.Topology(); }
  AffinityMask GetMask(Pid pid) override { return linux_.GetMask(pid); }
  ErrorCode SetMask(Pid pid, AffinityMask mask) override {
    ++masksSet;
    return linux_.SetMask(pid, mask);
  }
  Pid CurrentPid() override { return linux_.CurrentPid(); }
  bool LookAgain(Pid pid, Doubt doubt) override { return linux_.LookAgain(pid, doubt); }
  ProgramIdentity Program(Pid pid) override { return linux_.Program(pid); }
  std::optional<Pid> ParentPid(Pid pid) override { return linux_.ParentPid(pid); }

  void ResetCounts() { namesRead = masksSet = 0; }
  std::int64_t namesRead = 0;
  std::int64_t masksSet = 0;

 private:
  LinuxProcessPlatform linux_;
};

void PerPass(benchmark::State& state, const char* name, std::int64_t count) {
  state.counters[name] = benchmark::Counter(double(count), benchmark::Counter::kAvgIterations);
}

void Floor(benchmark::State& state) {
  for (auto _ : state) {
    int processes = 0;
    ForEachNumericEntry("/proc", [&](pid_t pid) {
      cpu_set_t cpus;
      sched_getaffinity(pid, sizeof cpus, &cpus);
      benchmark::DoNotOptimize(cpus);
      ++processes;
    });
    benchmark::DoNotOptimize(processes);
  }
}

void SetFloor(benchmark::State& state) {
  const pid_t self = getpid();
  cpu_set_t single[2];
  for (int cpu = 0; cpu < 2; ++cpu) {
    CPU_ZERO(&single[cpu]);
    CPU_SET(cpu, &single[cpu]);
  }
  int next = 0;
  for (auto _ : state) {
    ForEachNumericEntry("/proc", [&](pid_t pid) {
      // Kept on every CPU, as the engine's pass keeps it (excluded there).
      if (pid == self) return;
      char tasks[32];
      std::snprintf(tasks, sizeof tasks, "/proc/%d/task", int(pid));
      ForEachNumericEntry(tasks, [&](pid_t thread) {
        cpu_set_t cpus;
        sched_getaffinity(thread, sizeof cpus, &cpus);
        benchmark::DoNotOptimize(cpus);
        sched_setaffinity(thread, sizeof single[next], &single[next]);
      });
      next ^= 1;
    });
  }
}

void SteadyPasses(benchmark::State& state, bool windowShown) {
  CountingPlatform platform;
  SilentReporter reporter;
  AffinityEngine engine(platform, reporter);
  engine.Policy().mode = Mode::kOff;
  engine.FollowKnownMasks(windowShown);
  engine.RefreshProcesses();
  platform.ResetCounts();
  for (auto _ : state) engine.RefreshProcesses();
  PerPass(state, "names", platform.namesRead);
  PerPass(state, "sets", platform.masksSet);
  if (reporter.failures != 0) state.SkipWithError("the processes could not be listed");
}

void SteadyPass(benchmark::State& state) {
  SteadyPasses(state, true);
}

void HiddenPass(benchmark::State& state) {
  SteadyPasses(state, false);
}

void FirstPass(benchmark::State& state) {
  CountingPlatform platform;
  SilentReporter reporter;
  AffinityEngine engine(platform, reporter);
  engine.Policy().mode = Mode::kAutomatic;
  // The engine names its own process "Mervale"; excluded, this program keeps every CPU, so the
  // passes do not end up timing a benchmark squeezed onto one CPU.
  engine.Policy().exclusionList = {"mervale"};
  engine.RefreshProcesses();
  platform.ResetCounts();
  for (auto _ : state) {
    // As the program meets a mode change: after a steady pass, with every name read long ago.
    state.PauseTiming();
    engine.RefreshProcesses();
    engine.ClearProcesses();
    state.ResumeTiming();
    engine.RebuildProcesses();
  }
  PerPass(state, "names", platform.namesRead);
  PerPass(state, "sets", platform.masksSet);
  state.counters["rows"] = engine.Table().RowCount();
  if (reporter.failures != 0) state.SkipWithError("the processes could not be listed");
}

void Ps(benchmark::State& state) {
  posix_spawn_file_actions_t discard;
  posix_spawn_file_actions_init(&discard);
  posix_spawn_file_actions_addopen(&discard, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>("ps"), const_cast<char*>("-e"), const_cast<char*>("-o"),
                  const_cast<char*>("pid=,comm="), nullptr};
  for (auto _ : state) {
    pid_t ps = 0;
    if (posix_spawnp(&ps, "ps", &discard, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot run ps");
      break;
    }
    int status = 0;
    waitpid(ps, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("ps failed");
      break;
    }
  }
  posix_spawn_file_actions_destroy(&discard);
}

// Each variant with the floor it is held against.
struct Variant {
  const char* name;
  void (*run)(benchmark::State&);
  const char* floor;
};
constexpr Variant kMeasures[] = {
    {"floor", Floor, "floor"},        {"steady", SteadyPass, "floor"},
    {"hidden", HiddenPass, "floor"},  {"setfloor", SetFloor, "setfloor"},
    {"first", FirstPass, "setfloor"}, {"ps", Ps, "floor"}};

// ---- the summary ------------------------------------------------------------------------------

// One benchmark's repetitions: pass times in µs, and the counters of a repetition (they do not
// vary between repetitions).
struct Sample {
  std::vector<double> realMicroseconds;
  std::vector<double> cpuMicroseconds;
  double realMedian = -1;  // from the median aggregate, when the run reports aggregates only
  double cpuMedian = -1;
  std::map<std::string, double> counters;
};

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::ranges::sort(values);
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The console output as usual, and every result kept for the summary.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred) {
        errors.push_back(run.benchmark_name() + ": " + run.error_message);
        continue;
      }
      Sample& sample = samples_[run.run_name.function_name];
      if (run.run_type == Run::RT_Iteration) {
        sample.realMicroseconds.push_back(run.GetAdjustedRealTime());
        sample.cpuMicroseconds.push_back(run.GetAdjustedCPUTime());
      } else if (run.aggregate_name == "median") {
        sample.realMedian = run.GetAdjustedRealTime();
        sample.cpuMedian = run.GetAdjustedCPUTime();
      } else {
        continue;
      }
      for (const auto& [name, counter] : run.counters) sample.counters[name] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // Medians of the repetitions in µs per pass; -1 when the benchmark did not run.
  double RealMicroseconds(const std::string& name) const {
    const Sample* sample = Find(name);
    if (sample == nullptr) return -1;
    return sample->realMedian >= 0 ? sample->realMedian : Median(sample->realMicroseconds);
  }
  double CpuMicroseconds(const std::string& name) const {
    const Sample* sample = Find(name);
    if (sample == nullptr) return -1;
    return sample->cpuMedian >= 0 ? sample->cpuMedian : Median(sample->cpuMicroseconds);
  }
  double Counter(const std::string& name, const std::string& counter) const {
    const Sample* sample = Find(name);
    if (sample == nullptr) return -1;
    const auto value = sample->counters.find(counter);
    return value == sample->counters.end() ? -1 : value->second;
  }

  std::vector<std::string> errors;

 private:
  const Sample* Find(const std::string& name) const {
    const auto found = samples_.find(name);
    return found == samples_.end() ? nullptr : &found->second;
  }
  std::map<std::string, Sample> samples_;
};

std::string BenchName(std::string_view variant, int population) {
  return std::string(variant) + "/" + std::to_string(population);
}

void PrintTable(const CollectingReporter& results, const std::map<int, int>& processCounts) {
  std::printf("\nMedians of the repetitions; processes = extra children + this program.\n");
  std::printf("%-8s %9s %10s %12s %15s %8s %-8s %15s\n", "variant", "children", "processes",
              "µs per pass", "µs per process", "x", "floor", "CPU µs/process");
  for (const int population : kPopulations) {
    const int processes = processCounts.at(population);
    for (const auto& [variant, run, floorName] : kMeasures) {
      const std::string name = BenchName(variant, population);
      const double pass = results.RealMicroseconds(name);
      const double floor = results.RealMicroseconds(BenchName(floorName, population));
      if (pass < 0) continue;
      std::printf("%-8s %9d %10d %12.1f %15.3f %8.2f %-8s", variant, population, processes, pass,
                  pass / processes, floor > 0 ? pass / floor : 0.0, floorName);
      // ps runs in a process of its own, so this program's CPU time says nothing about it.
      if (std::string_view(variant) != "ps") {
        std::printf(" %15.3f", results.CpuMicroseconds(name) / processes);
      }
      std::printf("\n");
    }
  }
}

bool PrintGoals(const CollectingReporter& results, const std::map<int, int>& processCounts) {
  bool met = true;
  char text[160];
  const auto goal = [&met, &text](bool ok) {
    std::printf("%s  %s\n", ok ? "met   " : "MISSED", text);
    met = met && ok;
  };
  std::printf("\nGoals:\n");
  const auto withinFloor = [&](const char* variant, const char* floorName, int population,
                               double limit) {
    const double floor = results.RealMicroseconds(BenchName(floorName, population));
    const double pass = results.RealMicroseconds(BenchName(variant, population));
    std::snprintf(text, sizeof text, "%s pass, %d children: %.2f x %s (<= %.1f)", variant,
                  population, pass / floor, floorName, limit);
    goal(floor > 0 && pass > 0 && pass <= limit * floor);
  };
  for (const int population : {1000, 3000}) {
    withinFloor("steady", "floor", population, 1.5);
    // It reads no known mask, so it must cost less than a pass that reads them all.
    withinFloor("hidden", "floor", population, 1.0);
    withinFloor("first", "setfloor", population, 1.5);
  }
  const double first = results.RealMicroseconds(BenchName("first", 3000));
  std::snprintf(text, sizeof text, "first pass, 3000 children: %.1f ms (< 30)", first / 1000);
  goal(first > 0 && first < 30000);
  for (const int population : kPopulations) {
    const std::string steady = BenchName("steady", population);
    const double names = results.Counter(steady, "names");
    const double sets = results.Counter(steady, "sets");
    std::snprintf(text, sizeof text, "steady pass, %d children: %.0f names read, %.0f masks set",
                  population, names, sets);
    goal(names == 0 && sets == 0);
  }
  for (const int population : kPopulations) {
    const std::string first = BenchName("first", population);
    const double rows = results.Counter(first, "rows");
    const double sets = results.Counter(first, "sets");
    std::snprintf(text, sizeof text,
                  "first pass, %d children: %.0f rows of %d processes, %.0f masks set (all but "
                  "this program's)",
                  population, rows, processCounts.at(population), sets);
    goal(rows == processCounts.at(population) && sets == rows - 1);
  }
  for (const std::string& error : results.errors) {
    std::snprintf(text, sizeof text, "%s", error.c_str());
    goal(false);
  }
  return met;
}

// Google Benchmark's own options; unless given, five repetitions of at least 0.2 s each, shown as
// aggregates.
std::vector<char*> WithDefaultOptions(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  const auto given = [&](std::string_view option) {
    return std::ranges::any_of(
        args, [&](const char* arg) { return std::string_view(arg).starts_with(option); });
  };
  if (!given("--benchmark_repetitions")) {
    args.push_back(const_cast<char*>("--benchmark_repetitions=5"));
  }
  if (!given("--benchmark_min_time")) {
    args.push_back(const_cast<char*>("--benchmark_min_time=0.2"));
  }
  if (!given("--benchmark_display_aggregates_only")) {
    args.push_back(const_cast<char*>("--benchmark_display_aggregates_only=true"));
  }
  return args;
}

}  // namespace
}  // namespace mervale

int main(int argc, char** argv) {
  using namespace mervale;
  EnsureOwnPidNamespace(argc, argv);
  UseEveryOnlineCpu(LinuxProcessPlatform().OnlineCpus());

  std::vector<char*> args = WithDefaultOptions(argc, argv);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;

  CollectingReporter results;
  std::map<int, int> processCounts;
  for (const int population : kPopulations) {
    SleepingChildren children;
    if (!children.Start(population)) {
      std::fprintf(stderr, "linux_bench: cannot start %d children\n", population);
      return 1;
    }
    processCounts[population] = CountProcesses();
    benchmark::ClearRegisteredBenchmarks();
    for (const auto& [variant, run, floor] : kMeasures) {
      benchmark::RegisterBenchmark(BenchName(variant, population).c_str(), run)
          ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks(&results);
    children.EndAll();
  }
  benchmark::Shutdown();
  PrintTable(results, processCounts);
  return PrintGoals(results, processCounts) ? 0 : 1;
}
