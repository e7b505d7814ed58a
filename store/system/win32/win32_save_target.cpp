// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <string>

#include "store/error.h"
#include "store/system/save_target.h"

namespace mervale {

struct SaveTarget::Held {
  std::string savePath;
};

// A directory, or a file the user marked read-only, is never replaced; QSaveFile refuses both too,
// but with no system code to report.
SaveTarget::SaveTarget(const std::string& path) : held_(std::make_unique<Held>(Held{path})) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    ThrowCannotCreate(path, ERROR_ACCESS_DENIED);
  }
}

SaveTarget::~SaveTarget() = default;

const std::string& SaveTarget::SavePath() const {
  return held_->savePath;
}

void SaveTarget::Adopt(int) const {}

// MoveFileEx, which QSaveFile renames with, has written the rename through already.
void SaveTarget::Settle() const {}

int SaveTarget::LastError() {
  return static_cast<int>(GetLastError());
}

}  // namespace mervale
