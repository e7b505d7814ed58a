// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace mervale::testing {

// A file that exists as a regular file but cannot be read while this object lives, whatever the
// rights of the user running the tests.
class UnreadableFile {
 public:
  explicit UnreadableFile(const std::string& path) {
#ifdef _WIN32
    // Held open without sharing: every other open fails with a sharing violation.
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path);
#else
    // A process's memory reads as a regular file, and reading it at address 0 always fails.
    std::filesystem::create_symlink("/proc/self/mem", path);
#endif
  }
  UnreadableFile(const UnreadableFile&) = delete;
  UnreadableFile& operator=(const UnreadableFile&) = delete;
  ~UnreadableFile() {
#ifdef _WIN32
    CloseHandle(handle_);
#endif
  }

 private:
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#endif
};

}  // namespace mervale::testing
