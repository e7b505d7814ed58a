// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/fake/fake_system.h"

#include <filesystem>

#include "store/error.h"

namespace mervale {

void FakeSystemServices::WriteAutostart(const std::string& executablePath) {
  ++autostartWriteCount_;
  if (autostartWriteFails_) throw Error(CannotSetDataText("Mervale"));
  autostartEntry_ = executablePath;
}

void FakeSystemServices::DeleteAutostart() {
  ++autostartDeleteCount_;
  autostartEntry_.reset();
}

void FakeSystemServices::CreateDirectories(const std::string& path) {
  createdDirectories_.push_back(path);
  std::error_code ignored;
  std::filesystem::create_directories(path, ignored);
}

}  // namespace mervale
