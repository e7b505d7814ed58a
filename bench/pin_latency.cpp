// SPDX-License-Identifier: GPL-3.0-or-later

// How long newly started programs run on the wrong CPUs before a "pinner" moves them, side by
// side for several pinners in one run.
//
// Each trial starts a PID namespace of its own (with its own /proc) whose PID 1 starts --processes
// programs (200 by default), one every --interval-ms, living 50 to 800 ms each in a shuffled
// order. Every program is this executable again, run as a probe: from its first instruction it
// polls its own mask (every 250 µs for 50 ms, then every millisecond) and, when it ends, reports
// how long after its fork the mask first was CPU 0 alone. They start on every online CPU.
//
// The pinners:
//   none     pins nothing: its "floor" column, the time from fork to a probe's first look, is
//            the floor of every other pinner
//   events   reads the kernel's process events (LinuxProcessStartSource) outside the namespace
//            and pins each program that starts inside it, as soon as the event arrives
//   timer    looks at /proc once a second and pins the PIDs it did not see the time before, as
//            the refresh timer does
//   command  --command 'CMD' is run by /bin/sh inside the namespace, --settle-ms before the first
//            program, and is expected to pin the namespace's new processes to CPU 0 by itself
//            (the real program in mode CPU 1, for instance); with --command-namespace initial
//            it runs outside instead, where a root program gets the kernel's process events
// Events carry the PIDs of the initial namespace, so the events pinner runs there and keeps to
// the processes whose /proc/PID/ns/pid is the trial's namespace: nothing else is ever touched.
//
// Usage: pin_latency [--pinners none,events,timer,command] [--processes N] [--interval-ms N]
//                    [--command CMD] [--command-namespace trial|initial] [--settle-ms N]
//                    [--user UID]
// --user runs the programs and the command as that user, as an ordinary user runs the program; a
// command in the initial namespace stays root there.
// Needs root. Fails when a trial measured no program. Prints, per pinner, the share pinned (of all,
// and of those that looked at their mask before they ended); the median, p95 and maximum time from
// fork to pinned of those that were; the median time from fork to a probe's first look; the median
// as a multiple of the floor; and the share of the programs' lives spent on the wrong CPUs.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/linux/linux_process_start_source.h"

namespace mervale {
namespace {

constexpr int kTargetCpu = 0;

std::int64_t NowNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void SleepNs(std::int64_t ns) {
  const timespec pause = {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
  nanosleep(&pause, nullptr);
}

// What a probe reports when it ends; small enough for one atomic pipe write.
struct ProbeReport {
  std::int64_t lifetimeNs = 0;
  std::int64_t pinnedAfterNs = -1;  // from the fork; -1: never pinned
  // From the fork to the probe's first look: the earliest it could have seen itself pinned.
  std::int64_t firstLookNs = 0;
};

// ---- the probe --------------------------------------------------------------------------------

bool OnTargetCpuAlone() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  return sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) == 1 &&
         CPU_ISSET(kTargetCpu, &cpus);
}

int RunProbe(std::int64_t forkedAtNs, std::int64_t lifetimeNs, int reportFd) {
  ProbeReport report{lifetimeNs, -1, NowNs() - forkedAtNs};
  const std::int64_t endNs = forkedAtNs + lifetimeNs;
  for (std::int64_t now = NowNs(); now < endNs; now = NowNs()) {
    if (OnTargetCpuAlone()) {
      report.pinnedAfterNs = now - forkedAtNs;
      break;
    }
    SleepNs(now - forkedAtNs < 50'000'000 ? 250'000 : 1'000'000);
  }
  SleepNs(std::max<std::int64_t>(0, endNs - NowNs()));
  return write(reportFd, &report, sizeof report) == sizeof report ? 0 : 1;
}

// ---- the namespace's PID 1 --------------------------------------------------------------------

struct Population {
  int processes = 200;
  int intervalMs = 25;
  std::string command;          // run first, when not empty
  bool commandOutside = false;  // in the initial namespace rather than the trial's
  int settleMs = 3000;
  int user = -1;  // the programs and the command run as this user (and group) when not -1
  int reportFd = -1;
};

void UseEveryOnlineCpu() {
  cpu_set_t cpus;
  CPU_ZERO(&cpus);
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (sysconf(_SC_NPROCESSORS_ONLN) > cpu) CPU_SET(cpu, &cpus);
  }
  sched_setaffinity(0, sizeof cpus, &cpus);
}

std::vector<std::int64_t> ShuffledLifetimesNs(int count) {
  std::vector<std::int64_t> lifetimes;
  for (int i = 0; i < count; ++i)
    lifetimes.push_back((50 + 750 * std::int64_t(i) / std::max(1, count - 1)) * 1'000'000);
  std::shuffle(lifetimes.begin(), lifetimes.end(), std::mt19937(14));
  return lifetimes;
}

// The command's shell, started --settle-ms ago; -1 when there is no command.
pid_t StartCommand(const Population& population) {
  if (population.command.empty()) return -1;
  const pid_t shell = fork();
  if (shell == 0) {
    execl("/bin/sh", "sh", "-c", population.command.c_str(), nullptr);
    _exit(127);
  }
  SleepNs(std::int64_t(population.settleMs) * 1'000'000);
  return shell;
}

int RunPopulation(const Population& population) {
  // A /proc of this namespace, for a pinner that runs inside it.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
    std::perror("pin_latency: mounting /proc");
    return 2;
  }
  if (population.user >= 0) {
    const auto id = uid_t(population.user);
    if (setgroups(0, nullptr) != 0 || setresgid(id, id, id) != 0 || setresuid(id, id, id) != 0) {
      std::perror("pin_latency: becoming the user");
      return 2;
    }
  }
  const pid_t pinner = population.commandOutside ? -1 : StartCommand(population);
  // The link itself, not the path it names: under a chroot that path may lie outside.
  const std::string self = "/proc/self/exe";
  const std::string fd = std::to_string(population.reportFd);
  for (const std::int64_t lifetime : ShuffledLifetimesNs(population.processes)) {
    // The pinner may have pinned this process too; its programs must start unpinned.
    UseEveryOnlineCpu();
    const std::int64_t forkedAt = NowNs();
    if (fork() == 0) {
      const std::string forked = std::to_string(forkedAt), lives = std::to_string(lifetime);
      execl(self.c_str(), self.c_str(), "--probe", forked.c_str(), lives.c_str(), fd.c_str(),
            nullptr);
      std::fprintf(stderr, "pin_latency: cannot run the probe %s: %s\n", self.c_str(),
                   std::strerror(errno));
      _exit(127);
    }
    SleepNs(std::int64_t(population.intervalMs) * 1'000'000);
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
  }
  if (pinner > 0) kill(pinner, SIGTERM);
  while (wait(nullptr) > 0) {
  }
  return 0;
}

// ---- the pinners outside ----------------------------------------------------------------------

class Pinner {
 public:
  explicit Pinner(ino_t namespaceInode) : namespaceInode_(namespaceInode) {}

  // Pins the process when it lives in the trial's namespace; true when it does.
  bool PinIfOurs(pid_t pid) {
    struct stat ns {};
    const std::string path = "/proc/" + std::to_string(pid) + "/ns/pid";
    if (stat(path.c_str(), &ns) != 0 || ns.st_ino != namespaceInode_) return false;
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    CPU_SET(kTargetCpu, &cpus);
    // The probes have one thread, so the process's mask is its main thread's.
    sched_setaffinity(pid, sizeof cpus, &cpus);
    return true;
  }

  // Pins what the last scan did not list, as a refresh pass finds new PIDs.
  void PinNewInProc() {
    std::set<pid_t> listed;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      const std::string name = entry.path().filename();
      pid_t pid = 0;
      const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
      if (error != std::errc{} || end != name.data() + name.size()) continue;
      listed.insert(pid);
      if (!lastListed_.contains(pid)) PinIfOurs(pid);
    }
    lastListed_ = std::move(listed);
  }

 private:
  ino_t namespaceInode_;
  std::set<pid_t> lastListed_;
};

// A command in the initial namespace, for as long as one trial runs.
class OutsidePinner {
 public:
  explicit OutsidePinner(const Population& population)
      : shell_(population.commandOutside ? StartCommand(population) : -1) {}
  OutsidePinner(const OutsidePinner&) = delete;
  OutsidePinner& operator=(const OutsidePinner&) = delete;
  ~OutsidePinner() {
    if (shell_ <= 0) return;
    kill(shell_, SIGTERM);
    waitpid(shell_, nullptr, 0);
  }

 private:
  pid_t shell_;
};

struct Trial {
  std::string pinner;
  std::vector<ProbeReport> reports;
  int lossesReported = 0;
};

void ReadReports(int fd, std::vector<ProbeReport>& reports) {
  ProbeReport report;
  while (read(fd, &report, sizeof report) == sizeof report) reports.push_back(report);
}

Trial RunTrial(const std::string& pinnerName, Population population) {
  Trial trial{pinnerName, {}, 0};
  int reports[2];
  if (pipe2(reports, O_CLOEXEC) != 0) return trial;
  fcntl(reports[0], F_SETFL, O_NONBLOCK);
  // The probes write to a descriptor that survives their exec.
  population.reportFd = fcntl(reports[1], F_DUPFD, 10);
  if (pinnerName != "command") population.command.clear();
  // Subscribed before the first program starts, so that none is missed.
  std::unique_ptr<LinuxProcessStartSource> events;
  if (pinnerName == "events") events = std::make_unique<LinuxProcessStartSource>();

  const OutsidePinner outside(population);
  int initPid[2];
  if (pipe2(initPid, O_CLOEXEC) != 0) return trial;
  const pid_t first = fork();
  if (first == 0) {
    if (unshare(CLONE_NEWPID | CLONE_NEWNS) != 0) _exit(2);
    const pid_t init = fork();
    if (init == 0) _exit(RunPopulation(population));
    if (write(initPid[1], &init, sizeof init) != sizeof init) kill(init, SIGKILL);
    int status = 0;
    waitpid(init, &status, 0);
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 2);
  }
  close(reports[1]);
  close(population.reportFd);
  close(initPid[1]);
  // The namespace of the population's PID 1, as the initial namespace numbers it, is the trial's.
  pid_t init = 0;
  struct stat ns {};
  const bool known = read(initPid[0], &init, sizeof init) == sizeof init &&
                     stat(("/proc/" + std::to_string(init) + "/ns/pid").c_str(), &ns) == 0;
  close(initPid[0]);
  if (!known) {
    std::fprintf(stderr, "pin_latency: the %s trial could not start its namespace\n",
                 pinnerName.c_str());
    waitpid(first, nullptr, 0);
    close(reports[0]);
    return trial;
  }
  const ino_t namespaceInode = ns.st_ino;
  Pinner pinner(namespaceInode);
  const int ended = int(syscall(SYS_pidfd_open, first, 0));
  std::int64_t nextTickNs = NowNs() + 1'000'000'000;
  for (;;) {
    pollfd ready[3] = {{ended, POLLIN, 0}, {reports[0], POLLIN, 0}, {-1, POLLIN, 0}};
    if (events) ready[2].fd = events->Descriptor();
    int timeoutMs = -1;
    if (pinnerName == "timer")
      timeoutMs = int(std::max<std::int64_t>(0, nextTickNs - NowNs()) / 1'000'000);
    poll(ready, 3, timeoutMs);
    if (ready[2].revents & POLLIN) {
      const ProcessStarts batch = events->Drain();
      trial.lossesReported += batch.eventsLost;
      if (batch.eventsLost) pinner.PinNewInProc();
      for (const ProcessStart& start : batch.starts) pinner.PinIfOurs(pid_t(start.pid));
    }
    if (pinnerName == "timer" && NowNs() >= nextTickNs) {
      pinner.PinNewInProc();
      nextTickNs += 1'000'000'000;
    }
    if (ready[1].revents & POLLIN) ReadReports(reports[0], trial.reports);
    if (ready[0].revents & POLLIN) break;
  }
  waitpid(first, nullptr, 0);
  ReadReports(reports[0], trial.reports);
  close(ended);
  close(reports[0]);
  return trial;
}

// ---- the summary ------------------------------------------------------------------------------

double Percentile(std::vector<std::int64_t> sortedNs, double share) {
  if (sortedNs.empty()) return 0;
  const std::size_t at =
      std::min(sortedNs.size() - 1, std::size_t(share * double(sortedNs.size())));
  return double(sortedNs[at]) / 1e6;
}

struct Summary {
  std::size_t programs = 0;
  double pinnedShare = 0;
  // Of the programs that looked at their mask at all before they ended: on a slow machine the
  // shortest ones end before their first instruction, and nothing could have pinned them.
  double pinnableShare = 0;
  double medianMs = 0, p95Ms = 0, maxMs = 0;  // of the pinned ones
  double firstLookMs = 0;                     // median
  double lifeWrongShare = 0;                  // mean over all
};

Summary Summarize(const Trial& trial) {
  std::vector<std::int64_t> latencies, firstLooks;
  double wrongShare = 0;
  std::size_t pinnable = 0;
  for (const ProbeReport& report : trial.reports) {
    firstLooks.push_back(report.firstLookNs);
    const bool pinned = report.pinnedAfterNs >= 0;
    pinnable += report.firstLookNs < report.lifetimeNs;
    if (pinned) latencies.push_back(report.pinnedAfterNs);
    wrongShare += pinned ? double(report.pinnedAfterNs) / double(report.lifetimeNs) : 1.0;
  }
  std::ranges::sort(latencies);
  std::ranges::sort(firstLooks);
  const double count = std::max<double>(1, double(trial.reports.size()));
  return {trial.reports.size(),
          double(latencies.size()) / count,
          double(latencies.size()) / std::max<double>(1, double(pinnable)),
          Percentile(latencies, 0.5),
          Percentile(latencies, 0.95),
          latencies.empty() ? 0.0 : double(latencies.back()) / 1e6,
          Percentile(firstLooks, 0.5),
          wrongShare / count};
}

// The floor is the first look with nobody pinning, else each pinner's own.
void PrintSummaries(const std::vector<Trial>& trials) {
  double floorMs = 0;
  for (const Trial& trial : trials) {
    if (trial.pinner == "none") floorMs = Summarize(trial).firstLookMs;
  }
  std::printf("%-8s %8s %8s %9s %9s %8s %8s %10s %8s %10s %6s\n", "pinner", "programs", "pinned",
              "pinnable", "median ms", "p95 ms", "max ms", "first look", "x floor", "life wrong",
              "losses");
  for (const Trial& trial : trials) {
    const Summary summary = Summarize(trial);
    const double floor = floorMs > 0 ? floorMs : summary.firstLookMs;
    std::printf("%-8s %8zu %7.1f%% %8.1f%% %9.2f %8.2f %8.2f %10.2f %8.2f %9.1f%% %6d\n",
                trial.pinner.c_str(), summary.programs, 100 * summary.pinnedShare,
                100 * summary.pinnableShare, summary.medianMs, summary.p95Ms, summary.maxMs,
                summary.firstLookMs, floor > 0 ? summary.medianMs / floor : 0.0,
                100 * summary.lifeWrongShare, trial.lossesReported);
  }
}

// The command held against the bare events pinner of the same run, with the goals: a median at
// most 1.5 times the pinner's, a p95 at most twice, and every program pinned (each lives 50 ms or
// more).
void PrintCommandAgainstEvents(const std::vector<Trial>& trials) {
  const auto find = [&trials](const char* name) {
    const auto found = std::ranges::find(trials, std::string(name), &Trial::pinner);
    return found == trials.end() ? std::optional<Summary>() : Summarize(*found);
  };
  const std::optional<Summary> events = find("events"), command = find("command");
  if (!events || !command || events->medianMs <= 0 || events->p95Ms <= 0) return;
  const double median = command->medianMs / events->medianMs;
  const double p95 = command->p95Ms / events->p95Ms;
  std::printf(
      "command / events: median %.2f (goal <= 1.5), p95 %.2f (goal <= 2), pinned %.1f%%"
      " (goal 100%%): %s\n",
      median, p95, 100 * command->pinnedShare,
      median <= 1.5 && p95 <= 2 && command->pinnedShare >= 1 ? "met" : "missed");
}

int Run(int argc, char** argv) {
  Population population;
  std::string pinners = "none,events,timer";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    if (option == "--pinners")
      pinners = argv[i + 1];
    else if (option == "--processes")
      population.processes = std::atoi(argv[i + 1]);
    else if (option == "--interval-ms")
      population.intervalMs = std::atoi(argv[i + 1]);
    else if (option == "--command")
      population.command = argv[i + 1];
    else if (option == "--command-namespace" && (std::string_view(argv[i + 1]) == "trial" ||
                                                 std::string_view(argv[i + 1]) == "initial"))
      population.commandOutside = std::string_view(argv[i + 1]) == "initial";
    else if (option == "--settle-ms")
      population.settleMs = std::atoi(argv[i + 1]);
    else if (option == "--user")
      population.user = std::atoi(argv[i + 1]);
    else {
      std::fprintf(stderr, "pin_latency: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if (geteuid() != 0 || !ProcShowsInitialPidNamespace()) {
    std::fprintf(stderr, "pin_latency: needs root in the initial PID namespace\n");
    return 2;
  }
  std::vector<Trial> trials;
  std::stringstream names(pinners);
  for (std::string name; std::getline(names, name, ',');) {
    if (name != "none" && name != "events" && name != "timer" &&
        (name != "command" || population.command.empty())) {
      std::fprintf(stderr, "pin_latency: no pinner %s (command needs --command)\n", name.c_str());
      return 2;
    }
    if (name == "events" && LinuxProcessStartSource().Events() != StartEvents::kOwnPids) {
      std::fprintf(stderr, "pin_latency: no process events here; skipping the events pinner\n");
      continue;
    }
    trials.push_back(RunTrial(name, population));
  }
  std::printf("%d programs living 50-800 ms, one every %d ms; times from fork to CPU %d alone\n",
              population.processes, population.intervalMs, kTargetCpu);
  PrintSummaries(trials);
  PrintCommandAgainstEvents(trials);
  // A table of nothing would read as a pinner that did no harm.
  for (const Trial& trial : trials) {
    if (trial.reports.empty()) {
      std::fprintf(stderr, "pin_latency: the %s trial measured no program\n", trial.pinner.c_str());
      return 1;
    }
  }
  if (trials.empty()) std::fprintf(stderr, "pin_latency: no trial ran\n");
  return trials.empty() ? 1 : 0;
}

}  // namespace
}  // namespace mervale

int main(int argc, char** argv) {
  if (argc == 5 && std::string_view(argv[1]) == "--probe")
    return mervale::RunProbe(std::atoll(argv[2]), std::atoll(argv[3]), std::atoi(argv[4]));
  return mervale::Run(argc, argv);
}
