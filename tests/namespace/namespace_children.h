// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// The children that the tests of this folder start inside their PID namespace, and what the
// engine's failures turn into there.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/affinity_engine.h"
#include "tests/common/kernel_affinity.h"

extern char** environ;

namespace mervale::testing {

class NoFailures : public FailureReporter {
 public:
  void ShowFailure() override { ADD_FAILURE() << "no snapshot could be taken"; }
};

// A child process, killed and reaped at the end of the test.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  Pid pid() const { return static_cast<Pid>(pid_); }

 protected:
  pid_t pid_ = -1;
};

// A child running `command` (by default a minute's sleep).
class Sleeper : public Child {
 public:
  explicit Sleeper(std::vector<std::string> command = {"sleep", "60"}) {
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) pid_ = -1;
  }
};

// A copy of this program whose main thread and `extraThreads` more wait to be killed; once built,
// all of its threads are running.
class ThreadedChild : public Child {
 public:
  explicit ThreadedChild(int extraThreads) {
    pid_ = fork();
    if (pid_ < 0) {
      ADD_FAILURE() << "no child could be started";
      return;
    }
    if (pid_ == 0) {
      for (int i = 0; i < extraThreads; ++i) std::thread([] { pause(); }).detach();
      for (;;) pause();
    }
    // Under an emulated CPU a thread can take long to start.
    for (int tries = 0; tries < 6000; ++tries) {
      if (ThreadsOf(pid_).size() == static_cast<std::size_t>(extraThreads) + 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "the child's threads did not start";
  }
};

// The basename of the program a process runs, as the engine names its row.
inline std::string ExecutableOf(Pid pid) {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error)
      .filename()
      .string();
}

// The mask text of a set of zero-based CPUs, `width` characters with CPU 1 first.
inline std::string MaskTextOf(const CpuNumbers& cpus, std::size_t width) {
  std::string text(width, '0');
  for (const unsigned cpu : cpus) text.at(cpu) = '1';
  return text;
}

}  // namespace mervale::testing
