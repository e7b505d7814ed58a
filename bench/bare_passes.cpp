// SPDX-License-Identifier: GPL-3.0-or-later

// The floor of a refresh pass, as a program of its own for the measure-*.sh scripts: RATE times a
// second for SECONDS, readdir("/proc") and one sched_getaffinity per process, nothing else. Its
// CPU time, measured beside the program's in the same run, is what any pass at that rate costs;
// it prints it when it ends, as "cpu_seconds S".
//
// Usage: bare_passes RATE SECONDS
#include <sched.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "proc_entries.h"

using mervale::ForEachNumericEntry;

namespace {

void BarePass() {
  ForEachNumericEntry("/proc", [](int pid) {
    cpu_set_t cpus;
    sched_getaffinity(pid, sizeof cpus, &cpus);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bare_passes RATE SECONDS\n");
    return 2;
  }
  const std::int64_t rate = std::atoll(argv[1]);
  const std::int64_t seconds = std::atoll(argv[2]);
  if (rate <= 0 || seconds <= 0) return 2;
  // Absolute deadlines, so the rate holds however long a pass takes.
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  const std::int64_t stepNs = 1'000'000'000 / rate;
  for (std::int64_t pass = 0; pass < rate * seconds; ++pass) {
    BarePass();
    next.tv_nsec += long(stepNs % 1'000'000'000);
    next.tv_sec += time_t(stepNs / 1'000'000'000);
    if (next.tv_nsec >= 1'000'000'000) {
      next.tv_nsec -= 1'000'000'000;
      ++next.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds_of = [](const timeval& time) {
    return double(time.tv_sec) + time.tv_usec / 1e6;
  };
  std::printf("cpu_seconds %.4f\n", seconds_of(usage.ru_utime) + seconds_of(usage.ru_stime));
  return 0;
}
