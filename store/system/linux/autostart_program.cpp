// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/linux/autostart_program.h"

#include <unistd.h>

#include <filesystem>

#include "store/languages_dir.h"
#include "store/search_path.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;

bool IsInstalled(const fs::path& program) {
  const std::string dir = program.parent_path().string() + "/";
  return LanguagesDirFor(dir) != dir + "Languages/";
}

bool IsInstalledProgram(const fs::path& candidate) {
  std::error_code error;
  const fs::path real = fs::canonical(candidate, error);
  return !error && fs::is_regular_file(real, error) && access(real.c_str(), X_OK) == 0 &&
         IsInstalled(real);
}

}  // namespace

bool IsInstalledProgramPath(const std::string& executablePath) {
  return IsInstalled(executablePath);
}

std::string AutostartProgram(const std::string& executablePath, std::string_view searchPath) {
  if (IsInstalled(executablePath)) return executablePath;
  for (const std::string& dir : SearchPathDirectories(searchPath)) {
    const fs::path candidate = fs::path(dir) / "mervale";
    if (IsInstalledProgram(candidate)) return candidate.string();
  }
  return executablePath;
}

}  // namespace mervale
