// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/settings_file.h"

#include <limits>

#include "store/data_files.h"
#include "store/error.h"
#include "store/integer_text.h"

namespace mervale {
namespace {

constexpr int kMillisecondsPerSecond = 1000;

enum SettingsLine : int {
  kModeLine = 0,
  kAutostartLine = 1,
  kStartMinimizedLine = 2,
  kProfileLine = 3,
  kRefreshLine = 4,
  kQuadCoreLine = 5,
  kCycleLine = 6,
};

std::string FlagText(bool flag) {
  return flag ? "T" : "F";
}

bool IsTrue(const std::string& line) {
  return line == "T";
}

}  // namespace

LineList SettingsLines(const SettingsValues& values) {
  LineList lines{std::to_string(values.mode),
                 FlagText(values.autostart),
                 FlagText(values.startMinimized),
                 std::to_string(values.profileIndex),
                 values.refreshText,
                 FlagText(values.quadCore)};
  if (values.cycleWord) lines.push_back(*values.cycleWord);
  return lines;
}

std::string StoredProfileText(const LineList& lines) {
  if (lines.size() <= std::size_t(kProfileLine))
    return std::to_string(SettingsValues{}.profileIndex);
  return lines[kProfileLine];
}

SettingsReading ReadSettingsLines(const LineList& lines) {
  SettingsReading reading;
  SettingsValues& values = reading.values;
  for (int line = kModeLine; line <= kQuadCoreLine; ++line) {
    try {
      const std::string& text = LineAt(lines, line);
      switch (line) {
        case kModeLine:
          values.mode = StrToInt(text);
          break;
        case kAutostartLine:
          values.autostart = IsTrue(text);
          break;
        case kStartMinimizedLine:
          values.startMinimized = IsTrue(text);
          break;
        case kProfileLine:
          values.profileIndex = StrToInt(text);
          break;
        case kRefreshLine:
          // A rate the timer cannot take is refused as the Options field refuses it.
          if (!RefreshIntervalOf(text)) throw Error(InvalidIntegerText(text));
          values.refreshText = text;
          break;
        default:
          values.quadCore = IsTrue(text);
      }
    } catch (const Error& error) {
      reading.faults.push_back(FileLineText(kSettingsFileName, line + 1, error.what()));
      if (lines.size() <= std::size_t(line)) break;
    }
  }
  return reading;
}

std::optional<std::string> StoredCycleWord(const LineList& lines) {
  if (lines.size() <= std::size_t(kCycleLine)) return std::nullopt;
  return lines[kCycleLine];
}

std::optional<int> RefreshIntervalOf(std::string_view refreshText) {
  const std::optional<std::int32_t> seconds = ParseInteger(refreshText);
  if (!seconds || *seconds < 0 ||
      *seconds > std::numeric_limits<int>::max() / kMillisecondsPerSecond) {
    return std::nullopt;
  }
  return *seconds * kMillisecondsPerSecond;
}

}  // namespace mervale
