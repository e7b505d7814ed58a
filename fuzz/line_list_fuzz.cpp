// SPDX-License-Identifier: GPL-3.0-or-later

// Line-list files: splitting any bytes, joining the lines back and the round trip through a file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "store/line_list.h"
#include "store/line_list_file.h"

namespace mervale::fuzz {
namespace {

// The split rules written as a small state machine: the bytes up to the first NUL; CR LF, a lone
// CR and a lone LF each end a line; a line not ended by a break counts only when it holds bytes.
LineList ReferenceSplit(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\0'));
  LineList lines;
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char byte = bytes[i];
    if (byte == '\r' || byte == '\n') {
      lines.push_back(std::move(current));
      current.clear();
      if (byte == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      current += byte;
    }
  }
  if (!current.empty()) lines.push_back(std::move(current));
  return lines;
}

void CheckOneInput(std::string_view bytes) {
  const LineList lines = SplitLines(bytes);
  Require(lines == ReferenceSplit(bytes), "SplitLines agrees with the reference split");
  std::size_t expectedSize = 0;
  for (const std::string& line : lines) {
    Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
            "no line holds CR, LF or NUL");
    expectedSize += line.size() + 2;
  }

  const std::string joined = JoinLines(lines);
  Require(joined.size() == expectedSize, "every line is followed by exactly CR LF");
  Require(SplitLines(joined) == lines, "joined lines split into the same lines");
  Require(JoinLines(SplitLines(joined)) == joined, "joining is stable");

  const std::string raw = ScratchDir() + "raw.lst";
  const std::string saved = ScratchDir() + "saved.lst";
  WriteBytes(raw, bytes);
  LineList loaded{"previous content"};
  LoadLineList(loaded, raw);
  Require(loaded == lines, "a loaded file gives the lines of its bytes");

  SaveLineList(lines, saved);
  Require(ReadBytes(saved) == joined, "a saved file holds the joined lines");
  LineList reloaded{"previous content"};
  LoadLineList(reloaded, saved);
  Require(reloaded == lines, "a saved file loads back as the same lines");
}

}  // namespace
}  // namespace mervale::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mervale::fuzz::CheckOneInput({reinterpret_cast<const char*>(data), size});
  return 0;
}
