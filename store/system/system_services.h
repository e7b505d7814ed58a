// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>
#include <optional>
#include <string>

namespace mervale {

// The desktop's services outside process management: where the user's data lives, the program's
// own path, logon autostart and the system language. One implementation per platform, and a fake
// for tests.
class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // The per-user data directory ending in the path separator ("~/.config/Mervale/",
  // "%APPDATA%\Mervale\"), or nothing when it cannot be determined.
  virtual std::optional<std::string> DataDir() = 0;
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // The directory of the executable, ending in the path separator.
  virtual std::string ExecutableDir() = 0;
  // Starts the program at logon; throws Error(CannotSetDataText("Mervale")) when it cannot.
  virtual void WriteAutostart(const std::string& executablePath) = 0;
  // Removes the logon entry; a missing one is no error and nothing is reported.
  virtual void DeleteAutostart() = 0;
  // At start: a logon entry of the program's that names another program than the running one is
  // rewritten for the running one, where that is the installed program. No entry, or a failed
  // write, leaves things as they are.
  virtual void BringAutostartUpToDate(const std::string& executablePath) = 0;
  // Whether the logon entry is the one the language files name "Autostart with windows": the
  // value under Windows' Run key.
  virtual bool AutostartIsWindowsRunValue() = 0;
  // The name of the system's locale as the system gives it ("ar_EG.UTF-8", "tr-TR"); "" or "C"
  // when it has none.
  virtual std::string SystemLocaleName() = 0;
  // Creates the directory and its missing parents; failures are ignored.
  virtual void CreateDirectories(const std::string& path) = 0;
};

// The running system's services: the build compiles one system room, and with it the one
// definition.
std::unique_ptr<SystemServices> MakeSystemServices();

}  // namespace mervale
