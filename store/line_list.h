// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mervale {

// Lines are bytes in the system's 8-bit code page; nothing is ever re-encoded.
using LineList = std::vector<std::string>;

// Splits file bytes into lines: CR LF, a lone CR and a lone LF each end a line; a break at the very
// end gives no empty line; the first NUL ends the list.
LineList SplitLines(std::string_view bytes);
// Every line followed by CR LF, the last one too.
std::string JoinLines(const LineList& lines);

// The line at `index`; throws Error("Listenindex überschreitet das Maximum (index)") outside the
// list.
const std::string& LineAt(const LineList& list, int index);

}  // namespace mervale
