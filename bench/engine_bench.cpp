// SPDX-License-Identifier: GPL-3.0-or-later

// The engine's pass over the in-memory backend. The cost per process must stay flat from 1,000 to
// 100,000 processes: a steady pass is one walk, one mask read and two hash lookups per process; a
// first pass reads each name once from the walk and sorts the new rows once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "engine/affinity_engine.h"
#include "engine/platform/fake/fake_platform.h"

namespace mervale {
namespace {

class SilentReporter : public FailureReporter {
 public:
  void ShowFailure() override {}
};

void FillMachine(FakeProcessPlatform& machine, int count, const CpuSet& mask = CpuSet{3}) {
  for (int i = 0; i < count; ++i) {
    // Names repeat and interleave so the sort has real work, like a desktop full of helpers.
    const auto pid = static_cast<Pid>(1000 + 7 * i);
    machine.AddProcess(pid, "proc" + std::to_string((i * 7919) % (count / 4 + 1)) + ".exe", mask);
  }
}

// Shown in seconds per process (e.g. "45n" is 45 ns).
void PerProcess(benchmark::State& state, int count) {
  state.SetItemsProcessed(state.iterations() * count);
  state.counters["per_process"] = benchmark::Counter(
      count, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A machine of `count` processes and an engine in mode Automatic over it.
struct Scene {
  explicit Scene(int count, int cpus = 2) : machine(cpus) {
    FillMachine(machine, count, CpuSet::FirstCpus(std::size_t(cpus)));
    engine.Policy().mode = Mode::kAutomatic;
  }
  FakeProcessPlatform machine;
  SilentReporter reporter;
  AffinityEngine engine{machine, reporter};
};

void BM_SteadyPass(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Scene scene(count);
  scene.engine.RefreshProcesses();
  scene.machine.ResetCalls();
  for (auto _ : state) scene.engine.RefreshProcesses();
  if (scene.machine.calls().namesRead != 0) state.SkipWithError("a steady pass read names");
  PerProcess(state, count);
}

// The same on machines of range(1) CPUs, every process staying on all of them (mode Off), so
// every mask read is one of the machine's full size: the cost per process at 256 CPUs against
// that at 4.
void BM_SteadyPassOnCpus(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Scene scene(count, static_cast<int>(state.range(1)));
  scene.engine.Policy().mode = Mode::kOff;
  scene.engine.RefreshProcesses();
  for (auto _ : state) scene.engine.RefreshProcesses();
  PerProcess(state, count);
}

void BM_FirstPass(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Scene scene(count);
  for (auto _ : state) {
    state.PauseTiming();
    scene.engine.ClearProcesses();
    scene.machine.ResetCalls();
    state.ResumeTiming();
    scene.engine.RebuildProcesses();
  }
  if (scene.machine.calls().snapshotsCreated != 1) state.SkipWithError("a listing per process");
  PerProcess(state, count);
}

// A first pass in mode Automatic on machines of range(1) CPUs, cycling over all of them, so every
// process costs a step of the round robin through a set of the machine's size: the cost per
// process at 256 CPUs against that at 4.
void BM_AutomaticFirstPassOnCpus(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Scene scene(count, static_cast<int>(state.range(1)));
  scene.engine.Policy().cycle = CpuCycle::kAllCpus;
  scene.engine.ReadMachine();
  UpdateCycleCpus(scene.engine.Policy());
  for (auto _ : state) {
    state.PauseTiming();
    scene.engine.ClearProcesses();
    state.ResumeTiming();
    scene.engine.RebuildProcesses();
  }
  PerProcess(state, count);
}

BENCHMARK(BM_SteadyPass)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SteadyPassOnCpus)->Args({10000, 4})->Args({10000, 256})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AutomaticFirstPassOnCpus)
    ->Args({10000, 4})
    ->Args({10000, 256})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstPass)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace mervale

BENCHMARK_MAIN();
