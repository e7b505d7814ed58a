// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "store/system/system_services.h"

namespace mervale {

// The freedesktop.org conventions: data under the XDG configuration directory, autostart through
// a desktop entry in its "autostart" folder, the language from the POSIX locale variables.
class LinuxSystemServices : public SystemServices {
 public:
  std::optional<std::string> DataDir() override;
  std::string ExecutablePath() override;
  std::string ExecutableDir() override;
  void WriteAutostart(const std::string& executablePath) override;
  void DeleteAutostart() override;
  void BringAutostartUpToDate(const std::string& executablePath) override;
  bool AutostartIsWindowsRunValue() override { return false; }
  std::string SystemLocaleName() override;
  void CreateDirectories(const std::string& path) override;
};

// The desktop entry that starts the executable at logon, its Exec line quoted and escaped.
std::string AutostartEntryText(const std::string& executablePath);

}  // namespace mervale
