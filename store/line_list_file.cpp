// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/line_list_file.h"

#include <filesystem>

#include "store/file_bytes.h"

namespace mervale {

void LoadLineList(LineList& list, const std::string& path) {
  // Split before assigning: a file that cannot be read leaves the list as it was.
  list = SplitLines(ReadFileBytes(path));
}

void SaveLineList(const LineList& list, const std::string& path) {
  ReplaceFileBytes(path, JoinLines(list));
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

}  // namespace mervale
