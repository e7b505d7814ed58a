// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mervale {

// How much of a line read from a file a message or a list shows: enough to recognise the line,
// little enough that a megabyte line costs no more to show than a short one.
inline constexpr std::size_t kExcerptBytes = 256;

// `text` as it stands when it is at most kExcerptBytes long; otherwise its first bytes, cut where a
// character begins, followed by "…".
std::string Excerpt(std::string_view text);

}  // namespace mervale
