// The engine over the real Linux backend. A pass applies the mode to every process it sees, so
// this program runs as PID 1 of a PID namespace of its own, where the only processes are itself
// and the children it starts.
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/cpu_set.h"
#include "engine/platform/linux/linux_platform.h"

extern char** environ;

namespace mervale {
namespace {

class NoFailures : public FailureReporter {
 public:
  void ShowFailure() override { ADD_FAILURE() << "no snapshot could be taken"; }
};

class Sleeper {
 public:
  Sleeper() {
    char sleep[] = "sleep";
    char seconds[] = "60";
    char* argv[] = {sleep, seconds, nullptr};
    if (posix_spawnp(&pid_, "sleep", nullptr, nullptr, argv, environ) != 0) pid_ = -1;
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

}  // namespace
}  // namespace mervale
