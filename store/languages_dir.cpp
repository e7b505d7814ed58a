// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/languages_dir.h"

#include <filesystem>

namespace mervale {

std::string LanguagesDirFor(const std::string& executableDir) {
  namespace fs = std::filesystem;
  const std::string separator(1, fs::path::preferred_separator);
  const std::string beside = executableDir + "Languages" + separator;
  const fs::path installed =
      (fs::path(executableDir) / ".." / "share" / "mervale" / "Languages").lexically_normal();
  std::error_code error;
  if (fs::is_directory(beside, error) || !fs::is_directory(installed, error)) return beside;
  return installed.string() + separator;
}

}  // namespace mervale
