// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/search_path.h"

#include <algorithm>

namespace mervale {

std::vector<std::string> SearchPathDirectories(std::string_view searchPath) {
  std::vector<std::string> directories;
  // A plain walk over the entries: clang's ranges with libstdc++ 12 cannot split a string_view.
  for (std::size_t start = 0; start <= searchPath.size();) {
    const std::size_t end = std::min(searchPath.find(':', start), searchPath.size());
    const std::string_view entry = searchPath.substr(start, end - start);
    if (entry.starts_with('/')) directories.emplace_back(entry);
    start = end + 1;
  }
  return directories;
}

}  // namespace mervale
