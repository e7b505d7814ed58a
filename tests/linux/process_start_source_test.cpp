// SPDX-License-Identifier: GPL-3.0-or-later

// The kernel's process events, subscribed for real: this suite runs as root in the initial PID
// namespace. Children are this test's own; nothing here sets a mask.
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <poll.h>
#include <sched.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "engine/platform/linux/linux_process_start_source.h"

extern char** environ;

namespace mervale {
namespace {

using Clock = std::chrono::steady_clock;

pid_t Spawn(std::vector<std::string> command) {
  std::vector<char*> argv;
  for (std::string& word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  return posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

void Reap(pid_t pid) {
  if (pid > 0) waitpid(pid, nullptr, 0);
}

bool SubscribedHere() {
  return geteuid() == 0 && ProcShowsInitialPidNamespace();
}

// Waits on the descriptor, as the program's event loop will, and gathers starts until `enough`
// says so or `limit` has passed.
std::vector<ProcessStart> StartsUntil(
    ProcessStartSource& source, const std::function<bool(const std::vector<ProcessStart>&)>& enough,
    std::chrono::milliseconds limit) {
  std::vector<ProcessStart> seen;
  const auto deadline = Clock::now() + limit;
  while (!enough(seen) && Clock::now() < deadline) {
    pollfd ready = {source.Descriptor(), POLLIN, 0};
    if (poll(&ready, 1, 50) <= 0) continue;
    const ProcessStarts batch = source.Drain();
    seen.insert(seen.end(), batch.starts.begin(), batch.starts.end());
  }
  return seen;
}

int StartsOf(const std::vector<ProcessStart>& starts, pid_t pid) {
  int count = 0;
  for (const ProcessStart& start : starts) count += start.pid == Pid(pid);
  return count;
}

TEST(ProcessStartSourceTest, ReportsEveryProgramAChildRunsUnderTheChildsPid) {
  if (!SubscribedHere()) GTEST_SKIP() << "needs root in the initial PID namespace";
  struct Case {
    std::vector<std::string> command;
    int programs;  // execs the child performs
  };
  const Case cases[] = {
      {{"/bin/true"}, 1},
      {{"sleep", "0.2"}, 1},
      // A shell that runs another program in its place starts twice, under one PID.
      {{"sh", "-c", "exec sleep 0.2"}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command.back());
    LinuxProcessStartSource source;
    ASSERT_EQ(source.Events(), StartEvents::kOwnPids);
    ASSERT_GE(source.Descriptor(), 0);
    const pid_t child = Spawn(c.command);
    ASSERT_GT(child, 0);
    const auto starts = StartsUntil(
        source, [&](const auto& seen) { return StartsOf(seen, child) >= c.programs; },
        std::chrono::seconds(60));
    Reap(child);
    EXPECT_EQ(StartsOf(starts, child), c.programs);
    for (const ProcessStart& start : starts) {
      if (start.pid == Pid(child)) {
        EXPECT_EQ(start.thread, Pid(child));
      }
    }
  }
}

TEST(ProcessStartSourceTest, OverflowIsReportedAndReadingGoesOn) {
  if (!SubscribedHere()) GTEST_SKIP() << "needs root in the initial PID namespace";
  // The smallest queue the kernel allows holds a handful of events; a burst overflows it.
  LinuxProcessStartSource source(1);
  ASSERT_EQ(source.Events(), StartEvents::kOwnPids);
  std::vector<pid_t> burst;
  for (int i = 0; i < 100; ++i) burst.push_back(Spawn({"/bin/true"}));
  for (const pid_t child : burst) Reap(child);
  bool lost = false;
  for (ProcessStarts batch = source.Drain(); !batch.starts.empty() || batch.eventsLost;
       batch = source.Drain()) {
    lost = lost || batch.eventsLost;
  }
  EXPECT_TRUE(lost);

  const pid_t after = Spawn({"/bin/true"});
  const auto starts = StartsUntil(
      source, [&](const auto& seen) { return StartsOf(seen, after) > 0; },
      std::chrono::seconds(60));
  Reap(after);
  EXPECT_EQ(StartsOf(starts, after), 1);
}

TEST(ProcessStartSourceTest, ABatchIsBoundedAndTheRestWaitsForTheNext) {
  if (!SubscribedHere()) GTEST_SKIP() << "needs root in the initial PID namespace";
  // Room for every start of the burst, so that nothing is dropped by the kernel.
  LinuxProcessStartSource source(16 << 20);
  ASSERT_EQ(source.Events(), StartEvents::kOwnPids);
  std::vector<pid_t> burst;
  for (std::size_t i = 0; i < ProcessStartSource::kMaxStartsPerDrain + 100; ++i)
    burst.push_back(Spawn({"/bin/true"}));
  for (const pid_t child : burst) Reap(child);
  const ProcessStarts first = source.Drain();
  EXPECT_EQ(first.starts.size(), ProcessStartSource::kMaxStartsPerDrain);
  std::size_t ours = 0;
  for (ProcessStarts batch = first; !batch.starts.empty(); batch = source.Drain()) {
    ASSERT_FALSE(batch.eventsLost);
    for (const pid_t child : burst) ours += std::size_t(StartsOf(batch.starts, child));
  }
  EXPECT_EQ(ours, burst.size());
}

bool DropNetAdmin() {
  __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  data[CAP_TO_INDEX(CAP_NET_ADMIN)].effective &= ~CAP_TO_MASK(CAP_NET_ADMIN);
  return syscall(SYS_capset, &header, data) == 0;
}

// Runs the rest of the child as PID 1 of a new PID namespace, keeping the machine's /proc.
bool EnterNewPidNamespace() {
  if (unshare(CLONE_NEWPID) != 0) return false;
  const pid_t inner = fork();
  if (inner == 0) return true;
  int status = 0;
  waitpid(inner, &status, 0);
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 101);
}

// What a source says about itself when made in a child after `prepare`; -1 when the child could
// not prepare.
int EventsAfter(const std::function<bool()>& prepare) {
  int answer[2];
  if (pipe(answer) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(answer[0]);
    if (!prepare()) _exit(1);
    const LinuxProcessStartSource source;
    const int events = int(source.Events()) + (source.Descriptor() >= 0 ? 100 : 0);
    _exit(write(answer[1], &events, sizeof events) == sizeof events ? 0 : 1);
  }
  close(answer[1]);
  int events = -1;
  if (read(answer[0], &events, sizeof events) != sizeof events) events = -1;
  close(answer[0]);
  Reap(child);
  return events;
}

TEST(ProcessStartSourceTest, TellsWhetherAndHowEventsArrive) {
  if (!SubscribedHere()) GTEST_SKIP() << "needs root in the initial PID namespace";
  struct Case {
    const char* what;
    std::function<bool()> prepare;
    StartEvents expected;
  };
  const Case cases[] = {
      {"root", [] { return true; }, StartEvents::kOwnPids},
      {"nobody",
       [] { return setresgid(65534, 65534, 65534) == 0 && setresuid(65534, 65534, 65534) == 0; },
       StartEvents::kUnavailable},
      {"root without CAP_NET_ADMIN", DropNetAdmin, StartEvents::kUnavailable},
      {"root in a PID namespace", EnterNewPidNamespace, StartEvents::kForeignPids},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool open = c.expected != StartEvents::kUnavailable;
    EXPECT_EQ(EventsAfter(c.prepare), int(c.expected) + (open ? 100 : 0));
  }
}

}  // namespace
}  // namespace mervale
