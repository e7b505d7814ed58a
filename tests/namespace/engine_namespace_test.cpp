// SPDX-License-Identifier: GPL-3.0-or-later

// The engine over the real Linux backend. A pass applies the mode to every process it sees, so
// this program runs as PID 1 of a PID namespace of its own, where the only processes are itself
// and the children it starts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/platform/linux/linux_platform.h"
#include "engine/platform/linux/linux_process_start_source.h"
#include "engine/platform/linux/linux_start_hints.h"
#include "tests/namespace/namespace_children.h"

namespace mervale {
namespace {

using testing::AffinityOf;
using testing::ExecutableOf;
using testing::MaskTextOf;
using testing::NoFailures;
using testing::Sleeper;

class EngineInNamespace : public ::testing::Test {
 protected:
  void SetUp() override {
    // Outside its own namespace a pass would re-pin every process of the machine.
    ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
    allCpus = machine.OnlineCpus().Numbers();
    if (allCpus.size() < 2) GTEST_SKIP() << "needs two online CPUs";
    textWidth = std::max<std::size_t>(4, allCpus.back() + 1);
    testing::Pin(0, allCpus);   // children inherit every CPU
    engine.RefreshProcesses();  // mode Off: learns this program
  }

  LinuxProcessPlatform machine;
  NoFailures reporter;
  AffinityEngine engine{machine, reporter};
  CpuNumbers allCpus;
  std::size_t textWidth = 4;  // of the CPU column's mask texts
};

TEST_F(EngineInNamespace, ModeCpu2PinsAChildStartedAfterThePreviousPass) {
  engine.Policy().mode = Mode::kCpu2;
  Sleeper child;
  ASSERT_GT(child.pid(), 1u);
  EXPECT_EQ(AffinityOf(child.pid()), allCpus);
  engine.RefreshProcesses();
  EXPECT_EQ(AffinityOf(child.pid()), CpuNumbers{1});
  const ProcessRow* row = engine.Table().FindRow(child.pid());
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->name, "sleep");
  EXPECT_EQ(row->maskText, MaskTextOf({1}, textWidth));
  EXPECT_EQ(AffinityOf(1), allCpus) << "a known process keeps its set";
}

TEST_F(EngineInNamespace, AutomaticAlternatesTwoNewChildren) {
  engine.Policy().mode = Mode::kAutomatic;
  engine.Policy().nextCpu = 1;
  Sleeper first;
  Sleeper second;
  engine.RefreshProcesses();
  EXPECT_EQ(AffinityOf(first.pid()), CpuNumbers{0});
  EXPECT_EQ(AffinityOf(second.pid()), CpuNumbers{1});
  EXPECT_EQ(engine.Policy().nextCpu, 1);
}

TEST_F(EngineInNamespace, ExcludedNameIsUntouched) {
  engine.Policy().mode = Mode::kCpu1;
  engine.Policy().exclusionList = {"sleep"};
  Sleeper child;
  engine.RefreshProcesses();
  EXPECT_EQ(AffinityOf(child.pid()), allCpus);
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

// A pipe that shells wait on before they run their program: a pass sees them as the shell, and
// they start no other process meanwhile.
class GoSignal {
 public:
  GoSignal()
      : path_(std::filesystem::temp_directory_path() /
              ("mervale-exec-" + std::to_string(std::random_device{}()))) {
    // Held open for both ends, so every shell opens it at once and then waits for its line.
    if (mkfifo(path_.c_str(), 0600) == 0 && chmod(path_.c_str(), 0666) == 0)
      fifo_ = open(path_.c_str(), O_RDWR | O_CLOEXEC);
  }
  ~GoSignal() {
    if (fifo_ >= 0) close(fifo_);
    std::filesystem::remove(path_);
  }
  // `runner`, when given, runs sleep with the words that follow it.
  std::vector<std::string> ShellThenSleep(const std::string& runner = {}) const {
    return {"sh", "-c", "read go < \"$0\"; exec " + runner + " sleep 60", path_.string()};
  }
  // Lets the shells of `pids` go and waits until each runs sleep.
  bool Give(const std::vector<Pid>& pids) const {
    const std::string lines(pids.size(), '\n');
    if (fifo_ < 0 || write(fifo_, lines.data(), lines.size()) != ssize_t(lines.size()))
      return false;
    for (const Pid pid : pids) {
      for (int tries = 0; tries < 6000 && ExecutableOf(pid) != "sleep"; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (ExecutableOf(pid) != "sleep") return false;
    }
    return true;
  }

 private:
  std::filesystem::path path_;
  int fifo_ = -1;
};

TEST_F(EngineInNamespace, AProgramAShellExecsGetsTheManualEntryOfItsOwnName) {
  const std::string shell = std::filesystem::canonical("/bin/sh").filename().string();
  engine.Policy().mode = Mode::kManual;
  engine.Policy().profileList = {"1000: " + shell, "0100: sleep"};
  GoSignal go;
  Sleeper child(go.ShellThenSleep());
  ASSERT_GT(child.pid(), 1u);
  engine.RefreshProcesses();
  ASSERT_EQ(AffinityOf(child.pid()), CpuNumbers{0});
  const std::vector<Pid> started{child.pid()};
  ASSERT_TRUE(go.Give(started));

  engine.ProgramsStarted(started);
  EXPECT_EQ(AffinityOf(child.pid()), CpuNumbers{1});
  const ProcessRow* row = engine.Table().FindRow(child.pid());
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->name, "sleep");
  EXPECT_EQ(row->maskText, MaskTextOf({1}, textWidth));
}

TEST_F(EngineInNamespace, AutomaticGivesTenProgramsStartedInABurstTenConsecutiveCpus) {
  engine.Policy().mode = Mode::kAutomatic;
  engine.Policy().nextCpu = 1;
  GoSignal go;
  std::vector<std::unique_ptr<Sleeper>> burst;
  std::vector<Pid> started;
  // Half of the burst is seen by a pass between its fork and its exec, half only at its exec.
  for (int i = 0; i < 10; ++i) {
    if (i == 5) engine.RefreshProcesses();
    burst.push_back(std::make_unique<Sleeper>(go.ShellThenSleep()));
    started.push_back(burst.back()->pid());
  }
  ASSERT_TRUE(go.Give(started));

  engine.ProgramsStarted(started);
  const CpuNumbers cycle = engine.Policy().cycleCpus.Numbers();
  for (std::size_t i = 0; i < started.size(); ++i) {
    EXPECT_EQ(AffinityOf(started[i]), CpuNumbers{cycle[i % cycle.size()]}) << "program " << i;
    EXPECT_EQ(engine.Table().FindRow(started[i])->name, "sleep");
  }
}

// What a program with start hints makes of `target` once it ran sleep: the caption of its row, or
// "no row". The program runs in a child as `user` (root's hints name the process, an ordinary
// user's do not), in mode Manual with an entry for sleep, and first passes while the shell waits.
std::string RowAfterExec(uid_t user, Pid target, const GoSignal& go) {
  int answer[2];  // a byte once the pass is done, then the caption
  if (pipe(answer) != 0) return "no pipe";
  const pid_t program = fork();
  if (program == 0) {
    if (setresgid(user, user, user) != 0 || setresuid(user, user, user) != 0) _exit(1);
    LinuxProcessPlatform machine;
    NoFailures reporter;
    AffinityEngine engine{machine, reporter};
    engine.Policy().mode = Mode::kManual;
    engine.Policy().profileList = {"0100: sleep"};
    LinuxStartHints hints;
    engine.RefreshProcesses();
    const bool hinted = hints.Events() == StartEvents::kOwnPids;
    std::string caption = hinted ? "no row" : "no hints";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (bool ready = write(answer[1], "x", 1) == 1;
         ready && hinted && caption != "sleep" && std::chrono::steady_clock::now() < deadline;) {
      pollfd due = {hints.Descriptor(), POLLIN, 0};
      if (poll(&due, 1, 50) <= 0) continue;
      const ProcessStarts batch = hints.Drain();
      std::vector<Pid> started;
      for (const ProcessStart& start : batch.starts) started.push_back(start.pid);
      engine.ProgramsStarted(started);
      if (batch.knownMayHaveChanged) engine.LookForProgramChanges();
      if (const ProcessRow* row = engine.Table().FindRow(target)) caption = row->name;
    }
    _exit(write(answer[1], caption.data(), caption.size()) > 0 ? 0 : 1);
  }
  close(answer[1]);
  char text[64];
  ssize_t length = 0;
  if (read(answer[0], text, 1) == 1 && go.Give({target})) length = read(answer[0], text, 64);
  close(answer[0]);
  waitpid(program, nullptr, 0);
  return length > 0 ? std::string(text, std::size_t(length)) : "no answer";
}

TEST_F(EngineInNamespace, AnOrdinaryUsersProgramFollowsExecsWithStartHints) {
  const std::string shell = std::filesystem::canonical("/bin/sh").filename().string();
  const std::vector<std::string> asNobody = {"setpriv", "--reuid=65534", "--regid=65534",
                                             "--clear-groups"};
  const std::string sleepAsNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";
  struct Case {
    const char* what;
    uid_t programUser;
    std::vector<std::string> runShell;
    std::string runSleep;  // in the shell's place
  };
  const Case cases[] = {
      {"the user's shell runs another program", 65534, asNobody, {}},
      {"root's shell becomes the user's sleep", 65534, {}, sleepAsNobody},
      // Real uid the user's, effective uid another user's: the kernel lets the user set its mask.
      {"root's shell becomes a setuid sleep the user started",
       65534,
       {},
       "setpriv --ruid=65534 --euid=1 --clear-groups"},
      {"root's program: a known shell runs another program", 0, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    GoSignal go;
    std::vector<std::string> command = c.runShell;
    for (std::string& word : go.ShellThenSleep(c.runSleep)) command.push_back(std::move(word));
    Sleeper child(command);
    for (int tries = 0; tries < 6000 && ExecutableOf(child.pid()) != shell; ++tries)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string row = RowAfterExec(c.programUser, child.pid(), go);
    // File systems without file handles (the guest's shared root) refuse the marks; the timer
    // works there as before.
    if (row == "no hints") GTEST_SKIP() << "fanotify refuses an ordinary user's marks here";
    EXPECT_EQ(row, "sleep");
    EXPECT_EQ(AffinityOf(child.pid()), CpuNumbers{1});
  }
}

// A copy of a system program in a directory of its own, removed at the end.
class CopiedProgram {
 public:
  CopiedProgram(const std::filesystem::path& original, const std::string& name)
      : directory_(std::filesystem::temp_directory_path() /
                   ("mervale-program-" + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directory(directory_);
    std::filesystem::copy_file(original, path(name));
  }
  ~CopiedProgram() { std::filesystem::remove_all(directory_); }
  std::filesystem::path path(const std::string& name) const { return directory_ / name; }
  // Another file under the same name, put in place as an upgrade does: written beside it, then
  // renamed over it.
  void Replace(const std::string& name) const {
    std::filesystem::copy_file(path(name), path(name + ".new"));
    std::filesystem::rename(path(name + ".new"), path(name));
  }

 private:
  std::filesystem::path directory_;
};

TEST_F(EngineInNamespace, ARenamedProgramFileKeepsTheSetGivenByHandAndAnExecDoesNot) {
  engine.Policy().mode = Mode::kCpu1;
  CopiedProgram program(std::filesystem::canonical("/bin/sleep"), "mysleep");
  Sleeper child({program.path("mysleep").string(), "60"});
  engine.RefreshProcesses();
  engine.Table().SelectAll();
  engine.ApplyToSelected(2);
  ASSERT_EQ(AffinityOf(child.pid()), CpuNumbers{1});
  std::filesystem::rename(program.path("mysleep"), program.path("mysleep.old"));
  const std::vector<Pid> hinted{child.pid()};
  engine.ProgramsStarted(hinted);
  engine.LookForProgramChanges();
  EXPECT_EQ(AffinityOf(child.pid()), CpuNumbers{1});
  ASSERT_NE(engine.Table().FindRow(child.pid()), nullptr);
  EXPECT_EQ(engine.Table().FindRow(child.pid())->name, "mysleep");
}

TEST_F(EngineInNamespace, APidTakenByALaterProcessIsANewOne) {
  engine.Policy().mode = Mode::kCpu1;
  auto first = std::make_unique<Sleeper>();
  const Pid pid = first->pid();
  engine.RefreshProcesses();
  ASSERT_EQ(AffinityOf(pid), CpuNumbers{0});
  first.reset();
  // Start times count in ticks of the clock: the next process must start in a later one.
  const std::uint64_t firstStarted = machine.StartTime(pid);
  while (machine.StartTimeNow() <= firstStarted)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  // The next PID the namespace hands out is the one just freed.
  std::ofstream("/proc/sys/kernel/ns_last_pid") << pid - 1;
  Sleeper second;
  if (second.pid() != pid) GTEST_SKIP() << "the namespace would not hand out the PID again";
  EXPECT_EQ(AffinityOf(pid), allCpus);
  engine.RefreshProcesses();
  EXPECT_EQ(AffinityOf(pid), CpuNumbers{0}) << "the mode, as for any new process";
}

TEST(StartHints, AReplacedInterpreterIsMarkedAgain) {
  ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
  LinuxStartHints::Watched own = LinuxStartHints::ProgramsOfThisSystem();
  if (own.interpreter.empty()) GTEST_SKIP() << "this program has no interpreter";
  CopiedProgram interpreter(std::filesystem::canonical(own.interpreter), "ld.so");
  LinuxStartHints hints({interpreter.path("ld.so").string(), {}});
  if (hints.Events() != StartEvents::kOwnPids) GTEST_SKIP() << "fanotify refuses the mark here";
  const auto looked = [&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd due = {hints.Descriptor(), POLLIN, 0};
      if (poll(&due, 1, 50) <= 0) continue;
      const ProcessStarts batch = hints.Drain();
      if (!batch.starts.empty() || batch.eventsLost || batch.knownMayHaveChanged) return true;
    }
    return false;
  };
  // Running the interpreter (which runs the program named after it) is a start.
  const auto runInterpreter = [&] { Sleeper({interpreter.path("ld.so").string(), "/bin/true"}); };
  runInterpreter();
  ASSERT_TRUE(looked());
  interpreter.Replace("ld.so");
  ASSERT_TRUE(looked()) << "the old file lost its link";
  runInterpreter();
  EXPECT_TRUE(looked());
}

// What root's start hints in a PID namespace nested in this one hand over while this namespace
// runs programs, then while the nested one does: "outside: none, inside: seen" as it should be.
std::string StartsSeenFromANestedNamespace() {
  int ready[2], done[2];
  if (pipe(ready) != 0 || pipe(done) != 0) return "no pipe";
  const pid_t nested = fork();
  if (nested == 0) {
    // Its /proc is its own, in a mount namespace of its own.
    if (unshare(CLONE_NEWPID | CLONE_NEWNS) != 0) _exit(1);
    if (fork() != 0) _exit(wait(nullptr) > 0 ? 0 : 1);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("proc", "/proc", "proc", 0, nullptr) != 0)
      _exit(1);
    LinuxStartHints hints;
    const auto seenWithin = [&hints](std::chrono::milliseconds limit) {
      for (auto end = std::chrono::steady_clock::now() + limit;
           std::chrono::steady_clock::now() < end;) {
        pollfd due = {hints.Descriptor(), POLLIN, 0};
        if (poll(&due, 1, 10) > 0 && !hints.Drain().starts.empty()) return "seen";
      }
      return "none";
    };
    char go = 0;
    if (write(ready[1], "x", 1) != 1 || read(done[0], &go, 1) != 1) _exit(1);
    // The reports of the starts outside were queued before they were said to be done.
    const std::string outside = seenWithin(std::chrono::milliseconds(200));
    const int ran = std::system("/bin/true");
    const std::string seen = "outside: " + outside + ", inside: " +
                             (ran == 0 ? seenWithin(std::chrono::seconds(60)) : "not run");
    _exit(write(ready[1], seen.data(), seen.size()) > 0 ? 0 : 1);
  }
  char text[64];
  ssize_t length = 0;
  if (read(ready[0], text, 1) == 1 && std::system("/bin/true; /bin/true") == 0 &&
      write(done[1], "x", 1) == 1)
    length = read(ready[0], text, sizeof text);
  for (const int end : {ready[0], ready[1], done[0], done[1]}) close(end);
  waitpid(nested, nullptr, 0);
  return length > 0 ? std::string(text, std::size_t(length)) : "no answer";
}

TEST(StartHints, RootsHintsLeaveOutStartsOutsideTheNamespace) {
  ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
  if (LinuxStartHints().Events() != StartEvents::kOwnPids)
    GTEST_SKIP() << "fanotify refuses the marks here";
  EXPECT_EQ(StartsSeenFromANestedNamespace(), "outside: none, inside: seen");
}

TEST(StartHints, TheNamespacesLatestPidIsTheChildJustStarted) {
  ASSERT_EQ(getpid(), 1) << "run this program as `unshare --pid --fork --mount-proc` does";
  for (int round = 0; round < 2; ++round) {
    Sleeper child;
    EXPECT_EQ(LastPidOfOwnNamespace(), std::optional<long>(child.pid()));
  }
}

TEST_F(EngineInNamespace, RestoreAllGivesEveryThreadItsSetBackAndChildrenTheirParents) {
  testing::ThreadedChild pinned(2);
  engine.Policy().mode = Mode::kCpu1;
  engine.ClearProcesses();
  engine.RebuildProcesses();                                   // this program too
  testing::Pin(testing::ThreadsOf(pinned.pid()).back(), {1});  // one thread chooses for itself
  engine.Policy().mode = Mode::kOff;
  testing::ThreadedChild inheriting(2);  // starts on the CPU this program was given
  engine.RefreshProcesses();
  engine.RestoreAll();
  for (const Pid pid : {Pid(1), pinned.pid(), inheriting.pid()}) {
    for (const pid_t thread : testing::ThreadsOf(pid_t(pid)))
      EXPECT_EQ(AffinityOf(thread), allCpus) << "process " << pid << ", thread " << thread;
  }
}

}  // namespace
}  // namespace mervale
