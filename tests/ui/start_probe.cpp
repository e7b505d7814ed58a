// SPDX-License-Identifier: GPL-3.0-or-later

// The helper of new_process_pinned.sh and scripts/measure-storm.sh: it starts programs and tells
// how soon the program under test pins them, and it can hold the kernel's process events open
// outside a PID namespace.
//
//   start_probe hold-events COMMAND...
//       Subscribes to the kernel's process events from here (the initial PID namespace) and runs
//       COMMAND while it holds them. Inside a PID namespace the kernel ignores subscriptions, but a
//       socket bound to the events still receives them while someone outside is subscribed: this
//       is that someone. Ends with 77 (skipped) when it cannot subscribe (not root and no
//       CAP_NET_ADMIN, no connector, or not in the initial PID namespace).
//
//   start_probe pin-times COUNT BOUND_MS DEADLINE_MS
//       Waits until the program has pinned this probe itself (it is a new process too), then takes
//       every online CPU back, so that the programs it starts begin free: the program pins a
//       process it knows again only at a mode change, and the start-up's last one may come after
//       the probe's start, so the probe takes them back until they stay for a while. Then starts
//       COUNT programs (`sleep 30`) one after another and times from each fork until the program
//       runs on CPU 1 alone, giving up at DEADLINE_MS. Succeeds when every one was pinned and the
//       median time is within BOUND_MS.
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <queue>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/linux/linux_process_start_source.h"
#include "store/search_path.h"

extern char** environ;

namespace {

constexpr int kSkipped = 77;

std::int64_t NowUs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t(now.tv_sec) * 1'000'000 + now.tv_nsec / 1'000;
}

int ExitStatusOf(pid_t child) {
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return 1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

int HoldEvents(char** command) {
  mervale::LinuxProcessStartSource events;
  if (events.Events() != mervale::StartEvents::kOwnPids) {
    std::printf("the kernel's process events cannot be subscribed to here; skipped\n");
    return kSkipped;
  }
  const pid_t child = fork();
  if (child == 0) {
    execvp(command[0], command);
    std::perror("start_probe: exec");
    _exit(127);
  }
  return ExitStatusOf(child);
}

bool OnFirstCpuAlone(pid_t pid) {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  return sched_getaffinity(pid, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) == 1 &&
         CPU_ISSET(0, &cpus);
}

void UseEveryOnlineCpu() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  for (long cpu = 0; cpu < std::min<long>(sysconf(_SC_NPROCESSORS_ONLN), CPU_SETSIZE); ++cpu)
    CPU_SET(cpu, &cpus);
  sched_setaffinity(0, sizeof cpus, &cpus);
}

// Microseconds from `since` until the process runs on CPU 1 alone; -1 past the deadline.
std::int64_t WaitForPinned(pid_t pid, std::int64_t since, std::int64_t deadlineUs) {
  for (std::int64_t elapsed = NowUs() - since; elapsed < deadlineUs; elapsed = NowUs() - since) {
    if (OnFirstCpuAlone(pid)) return elapsed;
    const timespec pause = {0, 200'000};
    nanosleep(&pause, nullptr);
  }
  return -1;
}

// Microseconds from the fork of a new program until it runs on CPU 1 alone; -1 past the deadline.
std::int64_t TimeToPinned(std::int64_t deadlineUs) {
  const std::int64_t forkedAt = NowUs();
  const pid_t child = fork();
  if (child == 0) {
    execlp("sleep", "sleep", "30", nullptr);
    _exit(127);
  }
  if (child < 0) return -1;
  const std::int64_t pinnedAfter = WaitForPinned(child, forkedAt, deadlineUs);
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  return pinnedAfter;
}

// The programs of a storm, by lifetime: how many ended, and how many of them had been pinned.
struct Lifetime {
  std::int64_t ms;
  int ended = 0;
  int pinned = 0;
};

// A program of the storm, due to be looked at and ended at `endUs`.
struct Running {
  std::int64_t endUs;
  pid_t pid;
  std::size_t lifetime;  // index into the lifetimes
  bool operator>(const Running& other) const { return endUs > other.endUs; }
};

std::string ProgramPath(const char* name) {
  const char* path = std::getenv("PATH");
  for (const std::string& dir :
       mervale::SearchPathDirectories(path != nullptr ? path : "/usr/bin:/bin")) {
    const std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return name;
}

int Storm(int rate, int seconds) {
  std::vector<Lifetime> lifetimes = {{2}, {10}, {20}, {50}, {100}, {200}, {400}, {800}};
  const std::string sleepPath = ProgramPath("sleep");
  char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("1000"), nullptr};
  std::priority_queue<Running, std::vector<Running>, std::greater<>> running;
  const std::int64_t total = std::int64_t(rate) * seconds;
  const std::int64_t begin = NowUs();
  std::int64_t started = 0;
  std::int64_t lastStartUs = begin;
  int takenBack = 0;
  while (started < total || !running.empty()) {
    const std::int64_t now = NowUs();
    const std::int64_t due = std::min(total, (now - begin) * rate / 1'000'000);
    for (; started < due; ++started) {
      if (OnFirstCpuAlone(0)) {
        UseEveryOnlineCpu();
        ++takenBack;
      }
      pid_t child = 0;
      if (posix_spawn(&child, sleepPath.c_str(), nullptr, nullptr, argv, environ) != 0) continue;
      const std::size_t lifetime = std::size_t(started) % lifetimes.size();
      running.push({now + lifetimes[lifetime].ms * 1000, child, lifetime});
      lastStartUs = now;
    }
    while (!running.empty() && running.top().endUs <= now) {
      const Running ended = running.top();
      running.pop();
      Lifetime& lifetime = lifetimes[ended.lifetime];
      ++lifetime.ended;
      lifetime.pinned += OnFirstCpuAlone(ended.pid);
      kill(ended.pid, SIGKILL);
      waitpid(ended.pid, nullptr, 0);
    }
    const timespec pause = {0, 500'000};
    nanosleep(&pause, nullptr);
  }
  std::printf("%lld programs in %.2f s; the probe took its CPUs back %d times\n",
              static_cast<long long>(total), double(lastStartUs - begin) / 1e6, takenBack);
  bool allLongOnesPinned = true;
  for (const Lifetime& lifetime : lifetimes) {
    std::printf("living %4lld ms or more: %6d programs, %6d pinned (%.1f %%)\n",
                static_cast<long long>(lifetime.ms), lifetime.ended, lifetime.pinned,
                lifetime.ended > 0 ? 100.0 * lifetime.pinned / lifetime.ended : 0.0);
    if (lifetime.ms >= 50 && lifetime.pinned != lifetime.ended) allLongOnesPinned = false;
  }
  return allLongOnesPinned ? 0 : 1;
}

// The probe once it runs again on every CPU.
constexpr const char* kPinTimesStarted = "pin-times-started";

int PinTimes(char** argv, int count, std::int64_t boundMs, std::int64_t deadlineMs) {
  constexpr int kSettleTries = 5;
  constexpr timespec kStaysFree = {0, 300'000'000};
  // What the probe inherited is not the program's doing: the program may well have pinned the
  // shell that started it. A process the program has looked at once is not given the mode again,
  // and it may have looked at this one before its CPUs were taken back (a slow, sanitized build
  // does): this probe runs again on every CPU, new to it whenever it looks. It runs the program
  // file again rather than only forking, since the program hears of starts of programs, and a
  // fork alone would wait for a refresh that these tests put off.
  if (std::string_view(argv[1]) != kPinTimesStarted) {
    UseEveryOnlineCpu();
    std::fflush(stdout);
    argv[1] = const_cast<char*>(kPinTimesStarted);
    pid_t child = 0;
    if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, environ) != 0) return 1;
    return ExitStatusOf(child);
  }
  for (int tries = 0;; ++tries) {
    if (tries == kSettleTries || WaitForPinned(0, NowUs(), deadlineMs * 1000) < 0) {
      std::printf("this probe was not pinned within %lld ms, or pinned again and again\n",
                  static_cast<long long>(deadlineMs));
      return 1;
    }
    UseEveryOnlineCpu();
    nanosleep(&kStaysFree, nullptr);
    if (!OnFirstCpuAlone(0)) break;
  }
  std::vector<std::int64_t> times;
  int retaken = 0;
  for (int i = 0; i < count; ++i) {
    // A start-up's last pass may come later still on a busy machine: the probe takes its CPUs back
    // again, or its programs would begin pinned.
    if (OnFirstCpuAlone(0)) {
      if (++retaken == kSettleTries) {
        std::printf("this probe was pinned again and again\n");
        return 1;
      }
      UseEveryOnlineCpu();
    }
    const std::int64_t us = TimeToPinned(deadlineMs * 1000);
    if (us < 0) {
      std::printf("program %d: not pinned within %lld ms\n", i + 1,
                  static_cast<long long>(deadlineMs));
      return 1;
    }
    std::printf("program %d: pinned %.1f ms after its fork\n", i + 1, double(us) / 1000);
    times.push_back(us);
  }
  std::ranges::sort(times);
  const std::int64_t median = times[times.size() / 2];
  const auto within =
      std::ranges::count_if(times, [&](std::int64_t us) { return us <= boundMs * 1000; });
  std::printf("%zd of %d within %lld ms; median %.1f ms, maximum %.1f ms\n", within, count,
              static_cast<long long>(boundMs), double(median) / 1000, double(times.back()) / 1000);
  return median <= boundMs * 1000 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "hold-events" && argc > 2) return HoldEvents(argv + 2);
  if (mode == "storm" && argc == 4) return Storm(std::atoi(argv[2]), std::atoi(argv[3]));
  if ((mode == "pin-times" || mode == kPinTimesStarted) && argc == 5) {
    return PinTimes(argv, std::atoi(argv[2]), std::atoll(argv[3]), std::atoll(argv[4]));
  }
  std::fprintf(stderr,
               "usage: start_probe hold-events COMMAND... | start_probe pin-times COUNT BOUND_MS "
               "DEADLINE_MS | start_probe storm RATE SECONDS\n");
  return 2;
}
