// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string_view>

#include "store/line_list.h"

namespace mervale {

// Index of the first line equal to `text` with letter case ignored, or -1: the string-list form
// (the locale's case-ignoring collation).
int FindLine(const LineList& list, std::string_view text);
// Case-ignoring three-way comparison used by FindLine and SortLines.
int CompareTextIgnoringCase(std::string_view a, std::string_view b);
// Ascending, letter case ignored.
void SortLines(LineList& list);

}  // namespace mervale
