// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include "store/line_search.h"

namespace mervale {

int CompareTextIgnoringCase(std::string_view a, std::string_view b) {
  // CompareStringA returns 1, 2 or 3 for less, equal and greater.
  const int result =
      CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                     b.data(), static_cast<int>(b.size()));
  return result - CSTR_EQUAL;
}

}  // namespace mervale
