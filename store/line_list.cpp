// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/line_list.h"

#include "store/error.h"

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

const std::string& LineAt(const LineList& list, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= list.size())
    throw Error(ListIndexText(index));
  return list[static_cast<std::size_t>(index)];
}

}  // namespace mervale
