// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace mervale {

// Where the language files of the executable in `executableDir` (ending in the path separator)
// lie: "Languages" beside it (a build, a portable copy), else "../share/mervale/Languages" from it
// (an installed program in bin/ beside share/), else again the one beside it, where they are looked
// for first. The result ends in the path separator.
std::string LanguagesDirFor(const std::string& executableDir);

}  // namespace mervale
