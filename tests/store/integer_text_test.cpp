// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/integer_text.h"

#include <gtest/gtest.h>

#include <limits>

#include "store/error.h"

namespace mervale {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(ParseInteger, ReadsDecimalAndPrefixedHexWithBlanksAndSign) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"0", 0},
      {"5", 5},
      {" 7", 7},
      {"   -12", -12},
      {"+3", 3},
      {"-0", 0},
      {"007", 7},
      {"00000000000000000000001", 1},
      {"2147483647", kMax},
      {"-2147483648", kMin},
      {"$10", 16},
      {"$ff", 255},
      {"$FF", 255},
      {"x1A", 26},
      {"X1a", 26},
      {"0x10", 16},
      {"0X10", 16},
      {" -$10", -16},
      {"+0x7FFFFFFF", kMax},
      {"$7fffffff", kMax},
      {"-$80000000", kMin},
      {"$0000000000000000000a", 10},
  };
  for (const auto& c : cases) {
    const auto value = ParseInteger(c.text);
    ASSERT_TRUE(value.has_value()) << '"' << c.text << '"';
    EXPECT_EQ(*value, c.value) << '"' << c.text << '"';
    EXPECT_EQ(StrToInt(c.text), c.value);
  }
}

TEST(ParseInteger, RefusesEmptyMalformedTrailingAndOutOfRangeTexts) {
  for (const char* text : {
           "",
           " ",
           "-",
           "+",
           "$",
           "0x",
           "X",
           "12a",
           "1 ",
           "1.5",
           "\t1",
           "2147483648",
           "-2147483649",
           "$80000000",
           "$FFFFFFFF",
           "-$80000001",
           "99999999999999999999",
           "--1",
           "+-1",
           "- 1",
           "0x-1",
           "$-1",
           "1e3",
           "0b1",
           "0xg",
           "$$1",
           "0x0x1",
           "1,000",
           "\xd9\xa1",
           "ff",
       }) {
    EXPECT_FALSE(ParseInteger(text).has_value()) << '"' << text << '"';
  }
}

TEST(ParseDecimal, ReadsOnlyBareDecimalDigitsUpToTheirWholeRange) {
  const struct {
    const char* text;
    std::optional<std::uint32_t> value;
  } cases[] = {
      {"0", 0u},          {"017", 17u}, {"4294967295", 4294967295u},
      {"4294967296", {}}, {"", {}},     {"+1", {}},
      {"-1", {}},         {" 1", {}},   {"1\n", {}},
      {"0x1", {}},        {"12a", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.value) << '"' << c.text << '"';
}

TEST(StrToInt, ReportsTheWholeTextInTheMessage) {
  for (const char* text : {"", " 12a", "T"}) {
    try {
      StrToInt(text);
      ADD_FAILURE() << "converted \"" << text << '"';
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), std::string("'") + text + "' ist kein gültiger Integerwert");
    }
  }
}

}  // namespace
}  // namespace mervale
