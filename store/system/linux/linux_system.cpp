// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/linux/linux_system.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "store/error.h"
#include "store/file_bytes.h"
#include "store/system/linux/autostart_program.h"

namespace mervale {

namespace {

constexpr const char* kAutostartValueName = "Mervale";

// Qt's generic configuration folder: $XDG_CONFIG_HOME, or ~/.config. A relative one would move
// with the working directory, and without either variable Qt takes the root for the home: there
// is none then.
std::optional<std::string> ConfigHome() {
  const QString location =
      QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
  if (!QDir::isAbsolutePath(location) ||
      (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME") && qEnvironmentVariableIsEmpty("HOME"))) {
    return std::nullopt;
  }
  return QFile::encodeName(location).toStdString();
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

std::optional<std::string> LinuxSystemServices::DataDir() {
  const auto configHome = ConfigHome();
  if (!configHome) return std::nullopt;
  // The root's own folder is "/", which the others end without.
  return (*configHome == "/" ? "" : *configHome) + "/Mervale/";
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

std::string LinuxSystemServices::SystemLocaleName() {
  return std::string(MessagesLocaleName());
}

void LinuxSystemServices::CreateDirectories(const std::string& path) {
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

std::unique_ptr<SystemServices> MakeSystemServices() {
  return std::make_unique<LinuxSystemServices>();
}

}  // namespace mervale
