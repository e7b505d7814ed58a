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

TEST(SettingsFile, ReadsBackWhatItWrote) {
  const SettingsValues values{2, true, true, 7, "", false};
  const SettingsValues read = ParseSettingsLines(SettingsLines(values));
  EXPECT_EQ(read.mode, 2);
  EXPECT_TRUE(read.autostart);
  EXPECT_TRUE(read.startMinimized);
  EXPECT_EQ(read.profileIndex, 7);
  EXPECT_EQ(read.refreshText, "");
  EXPECT_FALSE(read.quadCore);
}

TEST(SettingsFile, KeepsIndicesAsWritten) {
  const SettingsValues read = ParseSettingsLines({"9", "t", "T ", " 12", "x", "T", "extra"});
  EXPECT_EQ(read.mode, 9);
  EXPECT_FALSE(read.autostart);
  EXPECT_FALSE(read.startMinimized);
  EXPECT_EQ(read.profileIndex, 12);
  EXPECT_EQ(read.refreshText, "x");
  EXPECT_TRUE(read.quadCore);
}

TEST(SettingsFile, RaisesTheErrorTheRestoreMeetsFirst) {
  struct Case {
    LineList lines;
    std::string error;
  };
  const Case cases[] = {
      {{}, ListIndexText(3)},
      {{"x", "T", "T"}, ListIndexText(3)},
      {{"x", "T", "T", "y"}, ListIndexText(5)},
      {{"x", "T", "T", "y", "z"}, ListIndexText(5)},
      {{"x", "T", "T", "y", "z", "T"}, InvalidIntegerText("y")},
      {{"x", "T", "T", "1", "z", "T"}, InvalidIntegerText("x")},
      {{"", "T", "T", "1", "z", "T"}, InvalidIntegerText("")},
  };
  for (const Case& c : cases) {
    try {
      ParseSettingsLines(c.lines);
      ADD_FAILURE() << c.error << ": no error";
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), c.error);
    }
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
