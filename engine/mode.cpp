// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/mode.h"

#include <algorithm>

namespace mervale {

const ModeTraits& TraitsOf(Mode mode) {
  return kModes[static_cast<std::size_t>(mode)];
}

std::optional<Mode> ModeOfItem(int index) {
  const auto found = std::ranges::find(kModes, index, &ModeTraits::settingsValue);
  if (found == kModes.end()) return std::nullopt;
  return found->mode;
}

std::optional<Mode> ModeOfSettingsValue(int value) {
  return ModeOfItem(std::min(value, kModes.back().settingsValue));
}

int SettingsValueOf(std::optional<Mode> mode) {
  return mode ? TraitsOf(*mode).settingsValue : -1;
}

}  // namespace mervale
