// SPDX-License-Identifier: GPL-3.0-or-later

#include <filesystem>

#include "tests/engine/unreadable_file.h"

namespace mervale::testing {

// A process's memory reads as a regular file, and reading it at address 0 always fails.
UnreadableFile::UnreadableFile(const std::string& path) {
  std::filesystem::create_symlink("/proc/self/mem", path);
}

UnreadableFile::~UnreadableFile() = default;

}  // namespace mervale::testing
