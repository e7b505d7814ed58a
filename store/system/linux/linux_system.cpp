// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/linux/linux_system.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "store/ascii_case.h"
#include "store/error.h"
#include "store/file_bytes.h"
#include "store/system/linux/autostart_program.h"

namespace mervale {

namespace {

constexpr const char* kAutostartValueName = "Mervale";

std::optional<std::string> AbsoluteEnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::nullopt;
  std::string path = value;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path == "/") path.clear();  // joined with "/..." below
  return path;
}

// $XDG_CONFIG_HOME, or ~/.config; a relative value is ignored, as the XDG rules require.
std::optional<std::string> ConfigHome() {
  if (auto configHome = AbsoluteEnvironmentPath("XDG_CONFIG_HOME")) return configHome;
  if (auto home = AbsoluteEnvironmentPath("HOME")) return *home + "/.config";
  return std::nullopt;
}

std::optional<std::string> AutostartDirectory() {
  const auto configHome = ConfigHome();
  if (!configHome) return std::nullopt;
  return *configHome + "/autostart";
}

std::string AutostartFileName() {
  return std::string("/") + kAutostartValueName + ".desktop";
}

// One argument of an Exec line: quoted, with the characters special inside the quotes escaped,
// and a literal percent sign doubled so that it is not taken for a field code.
std::string QuoteExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (const char character : argument) {
    if (character == '"' || character == '`' || character == '$' || character == '\\') {
      quoted += '\\';
    }
    if (character == '%') quoted += '%';
    quoted += character;
  }
  return quoted + "\"";
}

// The escapes of a string value, undone by the reader before it looks at the quoting.
std::string EscapeStringValue(std::string_view value) {
  std::string escaped;
  for (const char character : value) {
    switch (character) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += character;
    }
  }
  return escaped;
}

struct LanguageId {
  std::string_view code;
  std::uint32_t primary;
};

// ISO 639 codes and the primary language identifiers Windows gives them.
constexpr std::array kLanguageIds{
    LanguageId{"af", 0x36},  LanguageId{"am", 0x5E}, LanguageId{"ar", 0x01}, LanguageId{"az", 0x2C},
    LanguageId{"be", 0x23},  LanguageId{"bg", 0x02}, LanguageId{"bn", 0x45}, LanguageId{"bs", 0x1A},
    LanguageId{"ca", 0x03},  LanguageId{"cs", 0x05}, LanguageId{"cy", 0x52}, LanguageId{"da", 0x06},
    LanguageId{"de", 0x07},  LanguageId{"el", 0x08}, LanguageId{"en", 0x09}, LanguageId{"es", 0x0A},
    LanguageId{"et", 0x25},  LanguageId{"eu", 0x2D}, LanguageId{"fa", 0x29}, LanguageId{"fi", 0x0B},
    LanguageId{"fil", 0x64}, LanguageId{"fo", 0x38}, LanguageId{"fr", 0x0C}, LanguageId{"ga", 0x3C},
    LanguageId{"gl", 0x56},  LanguageId{"gu", 0x47}, LanguageId{"ha", 0x68}, LanguageId{"he", 0x0D},
    LanguageId{"hi", 0x39},  LanguageId{"hr", 0x1A}, LanguageId{"hu", 0x0E}, LanguageId{"hy", 0x2B},
    LanguageId{"id", 0x21},  LanguageId{"is", 0x0F}, LanguageId{"it", 0x10}, LanguageId{"ja", 0x11},
    LanguageId{"ka", 0x37},  LanguageId{"kk", 0x3F}, LanguageId{"km", 0x53}, LanguageId{"kn", 0x4B},
    LanguageId{"ko", 0x12},  LanguageId{"lo", 0x54}, LanguageId{"lt", 0x27}, LanguageId{"lv", 0x26},
    LanguageId{"mk", 0x2F},  LanguageId{"ml", 0x4C}, LanguageId{"mn", 0x50}, LanguageId{"mr", 0x4E},
    LanguageId{"ms", 0x3E},  LanguageId{"mt", 0x3A}, LanguageId{"my", 0x55}, LanguageId{"nb", 0x14},
    LanguageId{"ne", 0x61},  LanguageId{"nl", 0x13}, LanguageId{"nn", 0x14}, LanguageId{"no", 0x14},
    LanguageId{"pa", 0x46},  LanguageId{"pl", 0x15}, LanguageId{"ps", 0x63}, LanguageId{"pt", 0x16},
    LanguageId{"rm", 0x17},  LanguageId{"ro", 0x18}, LanguageId{"ru", 0x19}, LanguageId{"si", 0x5B},
    LanguageId{"sk", 0x1B},  LanguageId{"sl", 0x24}, LanguageId{"sq", 0x1C}, LanguageId{"sr", 0x1A},
    LanguageId{"sv", 0x1D},  LanguageId{"sw", 0x41}, LanguageId{"ta", 0x49}, LanguageId{"te", 0x4A},
    LanguageId{"tg", 0x28},  LanguageId{"th", 0x1E}, LanguageId{"tl", 0x64}, LanguageId{"tr", 0x1F},
    LanguageId{"uk", 0x22},  LanguageId{"ur", 0x20}, LanguageId{"uz", 0x43}, LanguageId{"vi", 0x2A},
    LanguageId{"xh", 0x34},  LanguageId{"yo", 0x6A}, LanguageId{"zh", 0x04}, LanguageId{"zu", 0x35},
};

constexpr std::uint32_t kEnglishLocaleId = 0x0409;
constexpr std::uint32_t kDefaultSublanguage = 0x0400;

// The variable that decides the language of messages, by the POSIX precedence.
std::string_view MessagesLocaleName() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return value;
  }
  return {};
}

}  // namespace

std::string AutostartEntryText(const std::string& executablePath) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Mervale\n"
         "Exec=" +
         EscapeStringValue(QuoteExecArgument(executablePath)) +
         "\n"
         // Desktops skip the entry while the program is missing, after a package removal say.
         "TryExec=" +
         EscapeStringValue(executablePath) +
         "\n"
         "Icon=" MERVALE_APP_ID
         "\n"
         "Terminal=false\n";
}

std::uint32_t LocaleIdForLocaleName(std::string_view localeName) {
  const std::string language =
      LowerCaseAscii(localeName.substr(0, localeName.find_first_of("_.@")));
  const auto known = std::ranges::find(kLanguageIds, language, &LanguageId::code);
  return known == kLanguageIds.end() ? kEnglishLocaleId : kDefaultSublanguage | known->primary;
}

std::optional<std::string> LinuxSystemServices::DataDir() {
  const auto configHome = ConfigHome();
  if (!configHome) return std::nullopt;
  return *configHome + "/Mervale/";
}

std::string LinuxSystemServices::ExecutablePath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

std::string LinuxSystemServices::ExecutableDir() {
  const std::string path = ExecutablePath();
  return path.substr(0, path.rfind('/') + 1);
}

void LinuxSystemServices::WriteAutostart(const std::string& executablePath) {
  const auto directory = AutostartDirectory();
  if (!directory || executablePath.empty()) throw Error(CannotSetDataText(kAutostartValueName));
  CreateDirectories(*directory);
  try {
    const char* searchPath = std::getenv("PATH");
    ReplaceFileBytes(
        *directory + AutostartFileName(),
        AutostartEntryText(AutostartProgram(executablePath, searchPath ? searchPath : "")));
  } catch (const Error&) {
    throw Error(CannotSetDataText(kAutostartValueName));
  }
}

void LinuxSystemServices::DeleteAutostart() {
  const auto directory = AutostartDirectory();
  if (!directory) return;
  std::error_code ignored;
  std::filesystem::remove(*directory + AutostartFileName(), ignored);
}

void LinuxSystemServices::BringAutostartUpToDate(const std::string& executablePath) {
  const auto directory = AutostartDirectory();
  // A build or a copied folder leaves the entry alone: it comes and goes, the installed one stays.
  if (!directory || !IsInstalledProgramPath(executablePath)) return;
  const std::string path = *directory + AutostartFileName();
  const std::string exec = "\nExec=" + EscapeStringValue(QuoteExecArgument(executablePath)) + "\n";
  try {
    if (ReadFileBytes(path).find(exec) == std::string::npos)
      ReplaceFileBytes(path, AutostartEntryText(executablePath));
  } catch (const Error&) {
    // No entry, or one that cannot be read or written: the box and its entry stay as they are.
  }
}

std::uint32_t LinuxSystemServices::SystemLocaleId() {
  return LocaleIdForLocaleName(MessagesLocaleName());
}

void LinuxSystemServices::CreateDirectories(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

std::unique_ptr<SystemServices> MakeSystemServices() {
  return std::make_unique<LinuxSystemServices>();
}

}  // namespace mervale
