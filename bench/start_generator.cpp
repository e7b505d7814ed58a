// SPDX-License-Identifier: GPL-3.0-or-later

// Programs started elsewhere on the machine, for scripts/measure-idle.sh: RATE times a second for
// SECONDS, /bin/true started as a child of this program and reaped, nothing else; it touches no
// other process. Run outside the measured program's PID namespace, each start is one the program
// is told of and must not pay for. Prints "starts N" when it ends.
//
// Usage: start_generator RATE SECONDS
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern char** environ;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: start_generator RATE SECONDS\n");
    return 2;
  }
  const std::int64_t rate = std::atoll(argv[1]);
  const std::int64_t seconds = std::atoll(argv[2]);
  if (rate <= 0 || seconds <= 0) return 2;
  char* command[] = {const_cast<char*>("/bin/true"), nullptr};
  const std::int64_t stepNs = 1'000'000'000 / rate;
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  std::int64_t starts = 0;
  for (std::int64_t i = 0; i < rate * seconds; ++i) {
    pid_t child = -1;
    if (posix_spawn(&child, command[0], nullptr, nullptr, command, environ) == 0) {
      waitpid(child, nullptr, 0);
      ++starts;
    }
    // Absolute deadlines, so the rate holds however long a start takes.
    const std::int64_t at = next.tv_nsec + stepNs;
    next.tv_sec += time_t(at / 1'000'000'000);
    next.tv_nsec = long(at % 1'000'000'000);
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
  std::printf("starts %lld\n", static_cast<long long>(starts));
  return starts > 0 ? 0 : 1;
}
