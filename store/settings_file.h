// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/line_list.h"

namespace mervale {

// The six lines of "Settings.ini", as the controls hold them, and the seventh that only machines
// with more than four CPUs write.
struct SettingsValues {
  int mode = 4;  // the mode selector's index, -1 when none is selected
  bool autostart = false;
  bool startMinimized = false;
  int profileIndex = 0;           // the profile selector's index, -1 when none is selected
  std::string refreshText = "1";  // the refresh-rate field, seconds
  bool quadCore = false;
  // The word naming what mode Automatic cycles over, written as line 7; builds that know only six
  // lines ignore it and drop it at their next save, so line 6 keeps the nearest meaning they know.
  std::optional<std::string> cycleWord = std::nullopt;
};

// The lines the settings file is written with: integers in decimal, flags as "T" or "F", and the
// seventh line only when there is a cycle word.
LineList SettingsLines(const SettingsValues& values);

// Line 4 exactly as read, the way the first profile load names its file; in a shorter file the
// default profile's number.
std::string StoredProfileText(const LineList& lines);

// A settings file read back value by value: each value that cannot be read keeps its default, and
// the others are read all the same.
struct SettingsReading {
  SettingsValues values;
  // What was wrong, in line order, each naming the file and the line before the error's text. A
  // short file is one fault, told at its first missing line.
  std::vector<std::string> faults;
};

// Only "T" reads as true; lines 1 and 4 must be integers, line 5 a rate RefreshIntervalOf takes.
// The indices are returned as written;
// the selectors apply their own limits. Lines past the sixth are not read: written again, the
// values make six lines.
SettingsReading ReadSettingsLines(const LineList& lines);

// Line 7 as written, the word naming the cycle, when the file has one.
std::optional<std::string> StoredCycleWord(const LineList& lines);

// The refresh timer's interval for the refresh-rate text, in milliseconds, or nothing when the text
// is no whole number of seconds that fits the timer (negative, or too large once in milliseconds).
std::optional<int> RefreshIntervalOf(std::string_view refreshText);

}  // namespace mervale
