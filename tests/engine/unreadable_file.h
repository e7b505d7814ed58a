// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace mervale::testing {

// A file that exists as a regular file but cannot be read while this object lives, whatever the
// rights of the user running the tests.
class UnreadableFile {
 public:
  explicit UnreadableFile(const std::string& path);
  UnreadableFile(const UnreadableFile&) = delete;
  UnreadableFile& operator=(const UnreadableFile&) = delete;
  ~UnreadableFile();

 private:
  // What keeps others from reading, where the system needs something held.
  void* hold_ = nullptr;
};

}  // namespace mervale::testing
