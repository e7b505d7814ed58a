// SPDX-License-Identifier: GPL-3.0-or-later

#include <algorithm>

#include "store/ascii_case.h"
#include "store/line_search.h"

namespace mervale {

// Only ASCII letters have a case here; every other byte compares by its value.
int CompareTextIgnoringCase(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto left = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto right = static_cast<unsigned char>(LowerAscii(b[i]));
    if (left != right) return left < right ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace mervale
