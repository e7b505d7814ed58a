// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/line_search.h"

#include <algorithm>

namespace mervale {

int FindLine(const LineList& list, std::string_view text) {
  const auto found = std::ranges::find_if(
      list, [text](const std::string& line) { return CompareTextIgnoringCase(line, text) == 0; });
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

void SortLines(LineList& list) {
  std::ranges::stable_sort(list, [](const std::string& a, const std::string& b) {
    return CompareTextIgnoringCase(a, b) < 0;
  });
}

}  // namespace mervale
