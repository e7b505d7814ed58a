#include "store/settings_file.h"

#include <limits>

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

const std::string& StoredProfileText(const LineList& lines) {
  return LineAt(lines, kProfileLine);
}

SettingsValues ParseSettingsLines(const LineList& lines) {
  SettingsValues values;
  StoredProfileText(lines);
  values.autostart = IsTrue(LineAt(lines, kAutostartLine));
  values.startMinimized = IsTrue(LineAt(lines, kStartMinimizedLine));
  values.quadCore = IsTrue(LineAt(lines, kQuadCoreLine));
  values.profileIndex = StrToInt(StoredProfileText(lines));
  values.mode = StrToInt(LineAt(lines, kModeLine));
  values.refreshText = LineAt(lines, kRefreshLine);
  return values;
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
