// SPDX-License-Identifier: GPL-3.0-or-later

#include <filesystem>
#include <string>
#include <system_error>

#include "store/temporary_files.h"

namespace mervale {

// A save still running holds its temporary file open without sharing, so removing it fails.
void RemoveAbandonedTemporaryFiles(const std::string& dataDir) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::directory_iterator entry(fs::path(dataDir), error);
       !error && entry != fs::directory_iterator(); entry.increment(error)) {
    std::error_code ignored;
    if (IsDataTemporaryFileName(entry->path().filename().string()) &&
        entry->is_regular_file(ignored)) {
      fs::remove(entry->path(), ignored);
    }
  }
}

}  // namespace mervale
