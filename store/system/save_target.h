// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>
#include <string>

namespace mervale {

// What the system checks before a file is replaced, and does around QSaveFile, which writes the
// new file beside the old one and renames it over it.
class SaveTarget {
 public:
  // Throws Error(CannotCreateFileText) when `path` may not be replaced: a directory, a read-only
  // file, or a place another user could redirect.
  explicit SaveTarget(const std::string& path);
  SaveTarget(const SaveTarget&) = delete;
  SaveTarget& operator=(const SaveTarget&) = delete;
  ~SaveTarget();

  // The name QSaveFile is given for the file.
  const std::string& SavePath() const;
  // The new file, open under `handle`, takes over what the replaced file had beyond its mode.
  void Adopt(int handle) const;
  // The rename reaches the disk.
  void Settle() const;
  // The system's code for the failure that just happened (errno, GetLastError).
  static int LastError();

 private:
  struct Held;
  std::unique_ptr<Held> held_;
};

}  // namespace mervale
