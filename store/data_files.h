// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace mervale {

inline constexpr const char* kSettingsFileName = "Settings.ini";

// The files of the data directory; `dataDir` ends in the path separator.
inline std::string SettingsFileName(const std::string& dataDir) {
  return dataDir + kSettingsFileName;
}
inline std::string LanguageChoiceFileName(const std::string& dataDir) {
  return dataDir + "lang.ini";
}
inline std::string ExclusionFileName(const std::string& dataDir) {
  return dataDir + "Skip.dat";
}
// `profile` is the profile selector's index as text: "0" to "8", "-1" when none is selected, or a
// settings line exactly as read.
inline std::string ProfileFileName(const std::string& dataDir, const std::string& profile) {
  return dataDir + "CPU1_" + profile + ".lst";
}
inline std::string ProfileFileName(const std::string& dataDir, int profileIndex) {
  return ProfileFileName(dataDir, std::to_string(profileIndex));
}

}  // namespace mervale
