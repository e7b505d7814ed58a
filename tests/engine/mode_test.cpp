// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "engine/mode.h"

namespace mervale {
namespace {

struct StoredValue {
  int value;
  std::optional<Mode> mode;
  int savedAs;  // what the selector then writes back
};

class ModeOfStoredValue : public ::testing::TestWithParam<StoredValue> {};

TEST_P(ModeOfStoredValue, ClampsToTheSelectorsItems) {
  const std::optional<Mode> mode = ModeOfSettingsValue(GetParam().value);
  EXPECT_EQ(mode, GetParam().mode);
  EXPECT_EQ(SettingsValueOf(mode), GetParam().savedAs);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ModeOfStoredValue,
    ::testing::Values(StoredValue{INT_MIN, std::nullopt, -1}, StoredValue{-2, std::nullopt, -1},
                      StoredValue{-1, std::nullopt, -1}, StoredValue{0, Mode::kAutomatic, 0},
                      StoredValue{1, Mode::kManual, 1}, StoredValue{2, Mode::kCpu1, 2},
                      StoredValue{3, Mode::kCpu2, 3}, StoredValue{4, Mode::kOff, 4},
                      StoredValue{5, Mode::kOff, 4}, StoredValue{INT_MAX, Mode::kOff, 4}));

TEST(ModeTable, SelectorItemsAreTheStoredValuesInOrder) {
  int item = 0;
  for (const ModeTraits& traits : kModes) {
    EXPECT_EQ(traits.settingsValue, item);
    EXPECT_EQ(ModeOfItem(item), traits.mode);
    EXPECT_EQ(&TraitsOf(traits.mode), &traits);
    ++item;
  }
  EXPECT_EQ(ModeOfItem(-1), std::nullopt);
  EXPECT_EQ(ModeOfItem(item), std::nullopt);
}

}  // namespace
}  // namespace mervale
