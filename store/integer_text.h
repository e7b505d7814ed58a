// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace mervale {

// A signed 32-bit whole number: optional leading blanks, an optional sign, then decimal digits, or
// hexadecimal digits after "$", "x", "X", "0x" or "0X". Nothing may follow the digits.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// A number as the kernel writes it in /proc and /sys: decimal digits alone, the whole text, no
// blank, sign or prefix; nothing past 2^32 - 1.
std::optional<std::uint32_t> ParseDecimal(std::string_view text);

// As ParseInteger, throwing Error("'text' ist kein gültiger Integerwert") when it fails.
std::int32_t StrToInt(std::string_view text);

}  // namespace mervale
