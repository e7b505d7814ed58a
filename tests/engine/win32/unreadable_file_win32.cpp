// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <stdexcept>

#include "tests/engine/unreadable_file.h"

namespace mervale::testing {

// Held open without sharing: every other open fails with a sharing violation.
UnreadableFile::UnreadableFile(const std::string& path) {
  hold_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (hold_ == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot hold " + path);
}

UnreadableFile::~UnreadableFile() {
  CloseHandle(hold_);
}

}  // namespace mervale::testing
