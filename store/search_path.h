// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mervale {

// The directories of a search path as POSIX systems write PATH ("/usr/local/bin:/usr/bin"), in
// their order. Relative and empty entries are left out: they name whatever directory a program
// happens to start in.
std::vector<std::string> SearchPathDirectories(std::string_view searchPath);

}  // namespace mervale
