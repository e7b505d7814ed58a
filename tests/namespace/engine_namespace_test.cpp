// The engine over the real Linux backend. A pass applies the mode to every process it sees, so
// this program runs as PID 1 of a PID namespace of its own, where the only processes are itself
// and the children it starts.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/cpu_set.h"
#include "engine/platform/linux/linux_platform.h"
#include "engine/platform/linux/linux_process_start_source.h"

extern char** environ;

namespace mervale {
namespace {

class NoFailures : public FailureReporter {
 public:
  void ShowFailure() override { ADD_FAILURE() << "no snapshot could be taken"; }
};

// A child running `command` (by default a minute's sleep), killed at the end of the test.
class Sleeper {
 public:
  explicit Sleeper(std::vector<std::string> command = {"sleep", "60"}) {
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
  ~Sleeper() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  Sleeper(const Sleeper&) = delete;
  Sleeper& operator=(const Sleeper&) = delete;
  Pid pid() const { return static_cast<Pid>(pid_); }

 private:
  pid_t pid_ = -1;
};

std::uint64_t MaskFromKernel(Pid pid) {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  if (sched_getaffinity(static_cast<pid_t>(pid), sizeof cpus, &cpus) != 0) return 0;
  return CpuSetMask(&cpus, sizeof cpus).Word(0);
}

class EngineInNamespace : public ::testing::Test {
 protected:
  void SetUp() override {
    // Outside its own namespace a pass would re-pin every process of the machine.
    ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
    if (__builtin_popcount(machine.OnlineCpus().Word(0)) < 2)
      GTEST_SKIP() << "needs two online CPUs";
    allCpus = machine.OnlineCpus().Word(0);
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    for (int cpu = 0; cpu < 32; ++cpu) {
      if (allCpus & (1u << cpu)) CPU_SET(cpu, &cpus);
    }
    sched_setaffinity(0, sizeof cpus, &cpus);  // children inherit every CPU
    engine.RefreshProcesses();                 // mode Off: learns this program
  }

  LinuxProcessPlatform machine;
  NoFailures reporter;
  AffinityEngine engine{machine, reporter};
  std::uint64_t allCpus = 0;
};

TEST_F(EngineInNamespace, ModeCpu2PinsAChildStartedAfterThePreviousPass) {
  engine.Policy().mode = Mode::kCpu2;
  Sleeper child;
  ASSERT_GT(child.pid(), 1u);
  EXPECT_EQ(MaskFromKernel(child.pid()), allCpus);
  engine.RefreshProcesses();
  EXPECT_EQ(MaskFromKernel(child.pid()), 2u);
  const ProcessRow* row = engine.Table().FindRow(child.pid());
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->caption, "sleep");
  EXPECT_EQ(row->maskText, "0100");
  EXPECT_EQ(MaskFromKernel(1), allCpus) << "a known process keeps its set";
}

TEST_F(EngineInNamespace, AutomaticAlternatesTwoNewChildren) {
  engine.Policy().mode = Mode::kAutomatic;
  engine.Policy().NextCpu = 1;
  Sleeper first;
  Sleeper second;
  engine.RefreshProcesses();
  EXPECT_EQ(MaskFromKernel(first.pid()), 1u);
  EXPECT_EQ(MaskFromKernel(second.pid()), 2u);
  EXPECT_EQ(engine.Policy().NextCpu, 1);
}

TEST_F(EngineInNamespace, ExcludedNameIsUntouched) {
  engine.Policy().mode = Mode::kCpu1;
  engine.Policy().exclusionList = {"sleep"};
  Sleeper child;
  engine.RefreshProcesses();
  EXPECT_EQ(MaskFromKernel(child.pid()), allCpus);
  ASSERT_NE(engine.Table().FindRow(child.pid()), nullptr);
}

TEST_F(EngineInNamespace, EndedChildLosesItsRow) {
  auto child = std::make_unique<Sleeper>();
  const Pid pid = child->pid();
  engine.RefreshProcesses();
  ASSERT_NE(engine.Table().FindRow(pid), nullptr);
  child.reset();
  engine.RefreshProcesses();
  EXPECT_EQ(engine.Table().FindRow(pid), nullptr);
  EXPECT_FALSE(engine.IsKnownPid(pid));
}

std::string ExecutableOf(Pid pid) {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error)
      .filename()
      .string();
}

TEST_F(EngineInNamespace, AProgramAShellExecsGetsTheManualEntryOfItsOwnName) {
  const std::string shell = std::filesystem::canonical("/bin/sh").filename().string();
  engine.Policy().mode = Mode::kManual;
  engine.Policy().profileList = {"1000: " + shell, "0100: sleep"};
  // The shell waits for a file before it runs its program, so the pass sees it as the shell.
  const std::filesystem::path go = std::filesystem::temp_directory_path() /
                                   ("mervale-exec-" + std::to_string(std::random_device{}()));
  std::filesystem::remove(go);
  Sleeper child(
      {"sh", "-c", "while [ ! -e \"$0\" ]; do sleep 0.01; done; exec sleep 60", go.string()});
  ASSERT_GT(child.pid(), 1u);
  engine.RefreshProcesses();
  ASSERT_EQ(MaskFromKernel(child.pid()), 1u);
  std::ofstream{go};
  for (int tries = 0; tries < 500 && ExecutableOf(child.pid()) != "sleep"; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::filesystem::remove(go);
  ASSERT_EQ(ExecutableOf(child.pid()), "sleep");

  const std::vector<Pid> started{child.pid()};
  engine.ProgramsStarted(started);
  EXPECT_EQ(MaskFromKernel(child.pid()), 2u);
  const ProcessRow* row = engine.Table().FindRow(child.pid());
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->caption, "sleep");
  EXPECT_EQ(row->maskText, "0100");
}

TEST(StartHints, TheNamespacesLatestPidIsTheChildJustStarted) {
  ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
  for (int round = 0; round < 2; ++round) {
    Sleeper child;
    EXPECT_EQ(LastPidOfOwnNamespace(), std::optional<long>(child.pid()));
  }
}

}  // namespace
}  // namespace mervale
