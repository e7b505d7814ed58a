// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>

namespace mervale {

// The program the logon entry starts when the user at `executablePath` asks for one: that same
// program when it is installed, else the first installed "mervale" in `searchPath` (a PATH value),
// else again the one at `executablePath`. A build or a copied folder comes and goes; the installed
// program stays where it is. Installed means that it finds its language files in
// "../share/mervale/Languages" and has none beside it.
std::string AutostartProgram(const std::string& executablePath, std::string_view searchPath);

// Whether the program at `executablePath` is installed, in the sense above.
bool IsInstalledProgramPath(const std::string& executablePath);

}  // namespace mervale
