// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// clang-format off
#include <windows.h>
// clang-format on

#include <cstdint>
#include <string>

#include "engine/platform/process_platform.h"

namespace mervale::testing {

// A copy of this test program started suspended, so it never runs a line: a process of our own
// whose mask the tests may change. It is terminated when the object goes away.
class SuspendedChild {
 public:
  SuspendedChild() {
    std::string path(MAX_PATH * 4, '\0');
    path.resize(GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
    std::string commandLine = "\"" + path + "\" --gtest_list_tests";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              CREATE_SUSPENDED, nullptr, nullptr, &startup, &info_) != 0;
    executablePath_ = path;
  }
  ~SuspendedChild() {
    if (!started_) return;
    TerminateProcess(info_.hProcess, 0);
    WaitForSingleObject(info_.hProcess, 10000);
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
  }
  SuspendedChild(const SuspendedChild&) = delete;
  SuspendedChild& operator=(const SuspendedChild&) = delete;

  bool Started() const { return started_; }
  Pid ProcessId() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  // As the system's process list gives it: 100 ns steps since 1601.
  std::uint64_t CreationTime() const {
    FILETIME creation{}, exit{}, kernel{}, user{};
    GetProcessTimes(info_.hProcess, &creation, &exit, &kernel, &user);
    return std::uint64_t{creation.dwHighDateTime} << 32 | creation.dwLowDateTime;
  }
  // The executable's file name without its directory, as a process snapshot shows it.
  std::string ExecutableName() const {
    return executablePath_.substr(executablePath_.find_last_of('\\') + 1);
  }

 private:
  PROCESS_INFORMATION info_{};
  bool started_ = false;
  std::string executablePath_;
};

}  // namespace mervale::testing
