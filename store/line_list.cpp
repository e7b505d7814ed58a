#include "store/line_list.h"

#include <algorithm>
#include <filesystem>

#include "store/ascii_case.h"
#include "store/error.h"
#include "store/file_bytes.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace mervale {

namespace {

constexpr bool IsLineEnd(char byte) {
  return byte == '\r' || byte == '\n' || byte == '\0';
}

}  // namespace

LineList SplitLines(std::string_view bytes) {
  LineList lines;
  std::size_t position = 0;
  while (position < bytes.size() && bytes[position] != '\0') {
    std::size_t end = position;
    while (end < bytes.size() && !IsLineEnd(bytes[end])) ++end;
    lines.emplace_back(bytes.substr(position, end - position));
    position = end;
    // CR, then LF, each at most once: CR LF is one break, LF CR two.
    if (position < bytes.size() && bytes[position] == '\r') ++position;
    if (position < bytes.size() && bytes[position] == '\n') ++position;
  }
  return lines;
}

std::string JoinLines(const LineList& lines) {
  std::size_t size = 0;
  for (const auto& line : lines) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const auto& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

void LoadLineList(LineList& list, const std::string& path) {
  // Split before assigning: a file that cannot be read leaves the list as it was.
  list = SplitLines(ReadFileBytes(path));
}

void SaveLineList(const LineList& list, const std::string& path) {
  ReplaceFileBytes(path, JoinLines(list));
}

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

const std::string& LineAt(const LineList& list, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.size())
    throw Error(ListIndexText(index));
  return list[static_cast<std::size_t>(index)];
}

bool FileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(std::filesystem::path(path), error);
}

}  // namespace mervale
