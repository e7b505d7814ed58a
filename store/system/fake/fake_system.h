// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "store/system/system_services.h"

namespace mervale {

// System services for tests: every answer is set by the test, the autostart entry lives in
// memory, and only CreateDirectories touches the disk (tests point it at temporary directories).
class FakeSystemServices : public SystemServices {
 public:
  std::optional<std::string> DataDir() override { return dataDir_; }
  std::string ExecutablePath() override { return executablePath_; }
  std::string ExecutableDir() override { return executableDir_; }
  // Records the entry, or throws Error(CannotSetDataText("Mervale")) when told to fail; counted
  // either way.
  void WriteAutostart(const std::string& executablePath) override;
  // Forgets the entry; counted also when there was none.
  void DeleteAutostart() override;
  void BringAutostartUpToDate(const std::string& executablePath) override {
    if (autostartEntry_) autostartEntry_ = executablePath;
  }
  bool AutostartIsWindowsRunValue() override { return windowsRunValue_; }
  std::string SystemLocaleName() override { return localeName_; }
  // Creates the directories for real; failures are ignored as on a real system.
  void CreateDirectories(const std::string& path) override;

  void SetDataDir(std::optional<std::string> dataDir) { dataDir_ = std::move(dataDir); }
  void SetExecutablePath(std::string path) { executablePath_ = std::move(path); }
  void SetExecutableDir(std::string dir) { executableDir_ = std::move(dir); }
  void SetSystemLocaleName(std::string localeName) { localeName_ = std::move(localeName); }
  void SetAutostartWriteFails(bool fails) { autostartWriteFails_ = fails; }
  void SetAutostartIsWindowsRunValue(bool isIt) { windowsRunValue_ = isIt; }

  // The executable path of the current logon entry, or nothing when there is none.
  const std::optional<std::string>& AutostartEntry() const { return autostartEntry_; }
  int AutostartWriteCount() const { return autostartWriteCount_; }
  int AutostartDeleteCount() const { return autostartDeleteCount_; }
  const std::vector<std::string>& CreatedDirectories() const { return createdDirectories_; }

 private:
  std::optional<std::string> dataDir_;
  std::string executablePath_ = "/opt/mervale/mervale";
  std::string executableDir_ = "/opt/mervale/";
  std::string localeName_ = "en_US.UTF-8";
  bool windowsRunValue_ = true;
  bool autostartWriteFails_ = false;
  std::optional<std::string> autostartEntry_;
  int autostartWriteCount_ = 0;
  int autostartDeleteCount_ = 0;
  std::vector<std::string> createdDirectories_;
};

}  // namespace mervale
