#include "store/system/linux/autostart_program.h"

#include <unistd.h>

#include <filesystem>
#include <ranges>

#include "store/languages_dir.h"

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

std::string AutostartProgram(const std::string& executablePath, std::string_view searchPath) {
  if (IsInstalled(executablePath)) return executablePath;
  for (const auto entry : std::views::split(searchPath, ':')) {
    const fs::path dir(std::string_view(entry.begin(), entry.end()));
    // Relative entries would depend on the directory the session starts in.
    if (!dir.is_absolute()) continue;
    const fs::path candidate = dir / "mervale";
    if (IsInstalledProgram(candidate)) return candidate.string();
  }
  return executablePath;
}

}  // namespace mervale
