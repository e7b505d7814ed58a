// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/settings_file.h"

#include <gtest/gtest.h>

#include "store/error.h"

namespace mervale {
namespace {

TEST(SettingsFile, WritesSixLines) {
  EXPECT_EQ(SettingsLines({}), (LineList{"4", "F", "F", "0", "1", "F"}));
  EXPECT_EQ(SettingsLines({-1, true, false, 8, " x ", true}),
            (LineList{"-1", "T", "F", "8", " x ", "T"}));
}

// Read back and written again: only "T" is true, numbers lose blanks, lines after the sixth go,
// and indices stay as written (the selectors apply their own limits).
TEST(SettingsFile, ReadingNormalisesFlagsAndNumbers) {
  const std::pair<LineList, LineList> cases[] = {
      // A refresh line that is no rate keeps the default.
      {{"2", "T", "T", "7", "", "F"}, {"2", "T", "T", "7", "1", "F"}},
      {{"9", "t", "T ", " 12", "x", "T", "extra"}, {"9", "F", "F", "12", "1", "T"}},
      {{"-3", "True", "F", "$A", " 5 ", "F"}, {"-3", "F", "F", "10", "1", "F"}},
      {{"0", "F", "F", "0", " 5", "F"}, {"0", "F", "F", "0", " 5", "F"}},
  };
  for (const auto& [read, written] : cases) {
    EXPECT_EQ(SettingsLines(ReadSettingsLines(read).values), written);
  }
}

TEST(SettingsFile, RefreshIntervalTakesWholeSecondsTheTimerCanHold) {
  const std::pair<const char*, std::optional<int>> cases[] = {{"1", 1000},
                                                              {"5", 5000},
                                                              {" 7", 7000},
                                                              {"0", 0},
                                                              {"$10", 16000},
                                                              {"2147483", 2147483000},
                                                              {"", std::nullopt},
                                                              {"-1", std::nullopt},
                                                              {"2147484", std::nullopt},
                                                              {"3000000", std::nullopt},
                                                              {"7 ", std::nullopt},
                                                              {"x", std::nullopt}};
  for (const auto& [text, interval] : cases) EXPECT_EQ(RefreshIntervalOf(text), interval) << text;
}

}  // namespace
}  // namespace mervale
