// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/excerpt.h"

#include <gtest/gtest.h>

#include <string>

#include "store/error.h"
#include "store/integer_text.h"

namespace mervale {
namespace {

const std::string kEllipsis = "…";

TEST(Excerpt, KeepsShortTextsAndCutsLongOnesWhereACharacterBegins) {
  const std::string limit(kExcerptBytes, 'x');
  const std::string umlaut = "\xc3\xa4";    // two bytes in UTF-8
  const std::string euro = "\xe2\x82\xac";  // three bytes
  const struct {
    std::string text;
    std::string excerpt;
  } cases[] = {
      {"", ""},
      {"1", "1"},
      {limit, limit},
      {limit + "y", limit + kEllipsis},
      {std::string(10 * 1024 * 1024, 'x'), limit + kEllipsis},
      // The byte at the cut continues a character that began before it: the cut moves back.
      {limit.substr(1) + umlaut + "tail", limit.substr(1) + kEllipsis},
      {limit.substr(2) + euro + "tail", limit.substr(2) + kEllipsis},
      {limit.substr(1) + euro + "tail", limit.substr(1) + kEllipsis},
      // A character that ends right at the cut stays whole.
      {limit.substr(2) + umlaut + "tail", limit.substr(2) + umlaut + kEllipsis},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Excerpt(c.text), c.excerpt) << c.text.size() << " bytes";
  }
}

// A line read from a file is quoted in the integer error as its excerpt, not as a whole.
TEST(Excerpt, TheIntegerErrorQuotesAnExcerptOfAVeryLongLine) {
  const std::string line = std::string(10 * 1024 * 1024, '7') + "x";
  try {
    StrToInt(line);
    ADD_FAILURE() << "converted a line of " << line.size() << " bytes";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), "'" + std::string(kExcerptBytes, '7') + kEllipsis +
                                "' ist kein gültiger Integerwert");
  }
}

}  // namespace
}  // namespace mervale
