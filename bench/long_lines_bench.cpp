// SPDX-License-Identifier: GPL-3.0-or-later

// Files with one line of 1 MB and of 10 MB through the program's loads, saves, the Manual mode's
// lookup and the whole start-up, each beside a floor measured in the same run: the bare read or
// write of the same bytes, and the same pass or start-up with ordinary lines. Every variant must
// stay linear in the line's length (10 MB costing about ten times 1 MB), a small multiple of its
// floor in CPU time, and a small multiple of the line's size in memory at its peak (counted from
// the resident size before the variant; large blocks are mapped and unmapped at once, so freed
// memory is not counted).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "engine/platform/fake/fake_platform.h"
#include "engine/program.h"
#include "store/line_list.h"
#include "store/line_list_file.h"
#include "store/system/fake/fake_system.h"
#include "tests/engine/fake_program_view.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;

class SilentReporter : public FailureReporter {
 public:
  void ShowFailure() override {}
};

constexpr std::int64_t kMegabyte = 1024 * 1024;

std::string LongLine(const benchmark::State& state) {
  return std::string(static_cast<std::size_t>(state.range(0)), 'x');
}

// A directory of this process, on a memory file system where there is one: the disk's own speed is
// not what is measured.
const std::string& Scratch() {
  static const std::string path = [] {
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = base / ("mervale-long-lines-" + std::to_string(::getpid()));
    fs::create_directories(dir / "bin/Languages");
    return dir.string() + "/";
  }();
  return path;
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

long StatusKilobytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string name;
  long value = -1;
  while (status >> name) {
    if (name == field) {
      status >> value;
      return value;
    }
  }
  return value;
}

// The peak resident size is counted from here: the kernel forgets the earlier peak.
long ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return StatusKilobytes("VmRSS:");
}

void ReportPeak(benchmark::State& state, long residentBefore, std::size_t fileBytes) {
  const double extra = double(StatusKilobytes("VmHWM:") - residentBefore) * 1024.0;
  state.counters["peak_per_file_byte"] = extra / double(fileBytes);
}

// A fresh buffer each time, as a load has.
void BM_FloorRead(benchmark::State& state) {
  const std::string path = Scratch() + "long.lst";
  Write(path, LongLine(state) + "\r\n");
  for (auto _ : state) {
    std::string bytes(static_cast<std::size_t>(state.range(0)) + 2, '\0');
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    benchmark::DoNotOptimize(::read(fd, bytes.data(), bytes.size()));
    ::close(fd);
  }
}

void BM_LoadLongLine(benchmark::State& state) {
  const std::string path = Scratch() + "long.lst";
  Write(path, LongLine(state) + "\r\n");
  const long before = ResetPeak();
  for (auto _ : state) {
    LineList lines;
    LoadLineList(lines, path);
    benchmark::DoNotOptimize(lines.data());
  }
  ReportPeak(state, before, static_cast<std::size_t>(state.range(0)));
}

void BM_FloorWrite(benchmark::State& state) {
  const std::string bytes = LongLine(state) + "\r\n";
  const std::string path = Scratch() + "written.lst";
  for (auto _ : state) {
    const std::string temporary = path + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
    ::fsync(fd);
    ::close(fd);
    std::rename(temporary.c_str(), path.c_str());
  }
}

void BM_SaveLongLine(benchmark::State& state) {
  const LineList lines{LongLine(state)};
  const std::string path = Scratch() + "saved.lst";
  for (auto _ : state) SaveLineList(lines, path);
}

// A first pass in Manual mode over 1,000 processes, whose profile holds three ordinary entries and,
// for the long variant, an entry of 10 MB among them.
void ManualPass(benchmark::State& state, const std::string& longEntry) {
  FakeProcessPlatform machine(4);
  for (int i = 0; i < 1000; ++i)
    machine.AddProcess(1000 + i, "proc" + std::to_string(i) + ".exe", 15);
  SilentReporter reporter;
  AffinityEngine engine(machine, reporter);
  engine.Policy().mode = Mode::kManual;
  engine.Policy().profileList = {"1000: proc1.exe", "0100: proc2.exe", "0010: proc3.exe"};
  if (!longEntry.empty()) {
    engine.Policy().profileList.insert(engine.Policy().profileList.begin() + 1,
                                       "0001: " + longEntry);
  }
  for (auto _ : state) {
    engine.ClearProcesses();
    engine.RebuildProcesses();
  }
}

void BM_FloorManualPass(benchmark::State& state) {
  ManualPass(state, "");
}
void BM_ManualPassLongEntry(benchmark::State& state) {
  ManualPass(state, LongLine(state));
}

// The whole data start-up (PrepareData, the exclusion list, LoadSettings) over files whose refresh
// line, a profile entry and an excluded name are ordinary or 10 MB long.
void StartUp(benchmark::State& state, const std::string& line) {
  const std::string dataDir = Scratch() + "data/Mervale/";
  fs::create_directories(dataDir);
  Write(Scratch() + "bin/Languages/English.txt", JoinLines(LineList(42, "caption")));
  FakeSystemServices system;
  system.SetDataDir(dataDir);
  system.SetExecutableDir(Scratch() + "bin/");
  FakeProcessPlatform machine(4);
  machine.AddProcess(100, "alpha.exe", 15);
  const long before = ResetPeak();
  for (auto _ : state) {
    state.PauseTiming();
    Write(dataDir + "Settings.ini", JoinLines({"1", "F", "F", "0", line, "F"}));
    Write(dataDir + "CPU1_0.lst", JoinLines({"0001: " + line, "1000: alpha.exe"}));
    Write(dataDir + "Skip.dat", JoinLines({line, "beta.exe"}));
    state.ResumeTiming();
    FakeProgramView view;
    Program program(machine, system, view);
    program.PrepareData();
    program.LoadExclusionList();
    program.LoadSettings();
  }
  if (line.size() > 1) ReportPeak(state, before, line.size());
}

void BM_FloorStartUp(benchmark::State& state) {
  StartUp(state, "5");
}
void BM_StartUpLongLines(benchmark::State& state) {
  StartUp(state, LongLine(state));
}

BENCHMARK(BM_FloorRead)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLongLine)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorWrite)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveLongLine)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorManualPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManualPassLongEntry)
    ->Arg(kMegabyte)
    ->Arg(10 * kMegabyte)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorStartUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpLongLines)->Arg(kMegabyte)->Arg(10 * kMegabyte)->Unit(benchmark::kMillisecond);

// The console output as usual, and the CPU time of every benchmark kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      cpu_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    // The bare read and write are measured at each size; the pass and the start-up with ordinary
    // lines once.
    const struct {
      const char* variant;
      const char* floor;
      bool floorPerSize;
    } pairs[] = {
        {"BM_LoadLongLine", "BM_FloorRead", true},
        {"BM_SaveLongLine", "BM_FloorWrite", true},
        {"BM_ManualPassLongEntry", "BM_FloorManualPass", false},
        {"BM_StartUpLongLines", "BM_FloorStartUp", false},
    };
    std::printf(
        "\nCPU time as a multiple of the floor in this run; 10 MB over 1 MB (10: linear)\n");
    for (const auto& pair : pairs) {
      const std::string variant = pair.variant;
      for (const std::string size : {"/1048576", "/10485760"}) {
        const double floor = Cpu(pair.floorPerSize ? pair.floor + size : pair.floor);
        std::printf("  %-32s %10.2f x %s\n", (variant + size).c_str(), Cpu(variant + size) / floor,
                    pair.floor);
      }
      std::printf("  %-32s %10.2f\n", (variant + " 10 MB / 1 MB").c_str(),
                  Cpu(variant + "/10485760") / Cpu(variant + "/1048576"));
    }
  }

 private:
  double Cpu(const std::string& name) const {
    const auto found = cpu_.find(name);
    return found == cpu_.end() ? -1 : found->second;
  }

  std::map<std::string, double> cpu_;
};

}  // namespace
}  // namespace mervale

int main(int argc, char** argv) {
  // A fixed threshold: every large block is mapped on allocation and unmapped when freed.
  mallopt(M_MMAP_THRESHOLD, 256 * 1024);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  mervale::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(mervale::Scratch(), ignored);
  return 0;
}
