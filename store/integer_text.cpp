// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/integer_text.h"

#include <charconv>
#include <limits>
#include <string>

#include "store/error.h"

namespace mervale {

namespace {

int DigitValue(char character, int base) {
  int value = base;
  if (character >= '0' && character <= '9') value = character - '0';
  if (base == 16 && character >= 'a' && character <= 'f') value = character - 'a' + 10;
  if (base == 16 && character >= 'A' && character <= 'F') value = character - 'A' + 10;
  return value < base ? value : -1;
}

// Consumes a hexadecimal prefix, if any, and gives the base of the digits behind it.
int TakeBase(std::string_view& text) {
  if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
    text.remove_prefix(1);
    return 16;
  }
  if (text.starts_with("0x") || text.starts_with("0X")) {
    text.remove_prefix(2);
    return 16;
  }
  return 10;
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
  while (text.starts_with(' ')) text.remove_prefix(1);
  bool negative = false;
  if (text.starts_with('-') || text.starts_with('+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const int base = TakeBase(text);
  if (text.empty()) return std::nullopt;

  // The magnitude may reach 2^31 for the most negative value; stopping just above it keeps the
  // accumulator far from its own limit however many digits follow.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (const char character : text) {
    const int digit = DigitValue(character, base);
    if (digit < 0) return std::nullopt;
    magnitude = magnitude * base + digit;
    if (magnitude > kLimit) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::uint32_t> ParseDecimal(std::string_view text) {
  std::uint32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
  return value;
}

std::int32_t StrToInt(std::string_view text) {
  if (const auto value = ParseInteger(text)) return *value;
  throw Error(InvalidIntegerText(text));
}

}  // namespace mervale
