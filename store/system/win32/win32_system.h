// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstddef>
#include <string>

#include "store/system/system_services.h"

namespace mervale {

// The registry key whose values Windows starts at the user's logon, and the program's value there.
inline constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kAutostartValueName = "Mervale";

// The running executable's full path, asked for with a buffer of `initialLength` characters that
// grows until the path fits; empty when Windows cannot tell it.
std::string ModuleFileName(std::size_t initialLength);

// The Windows shell, registry and locale services.
class Win32SystemServices final : public SystemServices {
 public:
  std::optional<std::string> DataDir() override;
  std::string ExecutablePath() override;
  std::string ExecutableDir() override;
  void WriteAutostart(const std::string& executablePath) override;
  void DeleteAutostart() override;
  // Windows tells no installed program from a copy, so the value keeps the program whose box was
  // ticked last.
  void BringAutostartUpToDate(const std::string& /*executablePath*/) override {}
  bool AutostartIsWindowsRunValue() override { return true; }
  std::string SystemLocaleName() override;
  void CreateDirectories(const std::string& path) override;
};

}  // namespace mervale
