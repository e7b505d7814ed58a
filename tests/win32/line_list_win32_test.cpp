// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <string>

#include "store/line_list.h"
#include "store/line_search.h"

namespace mervale {
namespace {

// The Windows build compares through the user locale's collation (CompareStringA); names of
// executables must still match whatever the letter case.
TEST(LineListWin32Test, FindLineIgnoresLetterCaseOnly) {
  const LineList list{"explorer.exe", "NOTEPAD.EXE", "notepad.exe", "Calc1.exe", "a.b"};
  struct Case {
    const char* text;
    int expected;
  };
  const Case cases[] = {
      {"notepad.exe", 1},    // the first of two that compare equal
      {"Explorer.EXE", 0},   // mixed case
      {"CALC1.EXE", 3},      // digits and dots as they are
      {"calc2.exe", -1},     // another digit
      {"notepad.ex", -1},    // a prefix only
      {"notepad.exe ", -1},  // a trailing blank
      {"A.B", 4},
      {"ab", -1},  // a missing dot
      {"", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FindLine(list, c.text), c.expected);
  }
}

TEST(LineListWin32Test, SortAndCompareIgnoreLetterCase) {
  EXPECT_EQ(CompareTextIgnoringCase("ABC.exe", "abc.EXE"), 0);
  EXPECT_LT(CompareTextIgnoringCase("abc.exe", "ABD.exe"), 0);
  EXPECT_GT(CompareTextIgnoringCase("b.exe", "A.exe"), 0);
  EXPECT_LT(CompareTextIgnoringCase("abc", "abcd"), 0);

  LineList lines{"c.exe", "B.exe", "a.exe", "D.exe"};
  SortLines(lines);
  EXPECT_EQ(lines, (LineList{"a.exe", "B.exe", "c.exe", "D.exe"}));
}

}  // namespace
}  // namespace mervale
