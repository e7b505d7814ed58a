#include "store/line_search.h"

#include <algorithm>

#include "store/ascii_case.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace mervale {

int CompareTextIgnoringCase(std::string_view a, std::string_view b) {
#ifdef _WIN32
  // CompareStringA returns 1, 2 or 3 for less, equal and greater.
  const int result =
      CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                     b.data(), static_cast<int>(b.size()));
  return result - CSTR_EQUAL;
#else
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto left = static_cast<unsigned char>(LowerAscii(a[i]));
    const auto right = static_cast<unsigned char>(LowerAscii(b[i]));
    if (left != right) return left < right ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
#endif
}

int FindLine(const LineList& list, std::string_view text) {
  const auto found = std::ranges::find_if(
      list, [text](const std::string& line) { return CompareTextIgnoringCase(line, text) == 0; });
  return found == list.end() ? -1 : static_cast<int>(found - list.begin());
}

// A list box's exact-match search ignores letter case just as the string list's does.
int FindListBoxLine(const LineList& items, std::string_view text) {
  return FindLine(items, text);
}

void SortLines(LineList& list) {
  std::ranges::stable_sort(list, [](const std::string& a, const std::string& b) {
    return CompareTextIgnoringCase(a, b) < 0;
  });
}

}  // namespace mervale
