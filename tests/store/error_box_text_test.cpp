// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <string>

#include "store/error.h"

namespace mervale {
namespace {

struct BoxTextCase {
  std::string text;
  bool getsFullStop;
};

class ErrorBoxTextTest : public ::testing::TestWithParam<BoxTextCase> {};

// A full stop is added after a text ending in a letter, digit or another character after "." in
// byte order; a text that ends in "." or in punctuation before it keeps its end.
TEST_P(ErrorBoxTextTest, AddsAFullStopOnlyAfterCharactersBeyondIt) {
  const std::string& text = GetParam().text;
  EXPECT_EQ(ErrorBoxText(text), GetParam().getsFullStop ? text + "." : text);
}

INSTANTIATE_TEST_SUITE_P(Texts, ErrorBoxTextTest,
                         ::testing::Values(BoxTextCase{"Zugriff verweigert", true},
                                           BoxTextCase{"Liste 3", true},
                                           BoxTextCase{"path/", true},
                                           BoxTextCase{"\xc3\xa4", true},
                                           BoxTextCase{"Ende.", false},
                                           BoxTextCase{"Fehler!", false},
                                           BoxTextCase{"(x)", false},
                                           BoxTextCase{"a-", false},
                                           BoxTextCase{"", false}));

}  // namespace
}  // namespace mervale
