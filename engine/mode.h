// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <algorithm>
#include <array>
#include <optional>

#include "store/language_captions.h"

namespace mervale {

// The one global mode that decides what a newly seen process gets.
enum class Mode { kAutomatic, kManual, kCpu1, kCpu2, kOff };

// What a mode is in each place that shows or keeps it.
struct ModeTraits {
  Mode mode;
  int settingsValue;            // its value in "Settings.ini", also its mode selector item
  const char* selectorCaption;  // its selector item before a language is applied
  const char* trayCaption;      // the tray menu item's caption before a language is applied
};

// Every mode, in the order of the selector's items and of the tray menu.
inline constexpr std::array<ModeTraits, 5> kModes{{
    {Mode::kAutomatic, 0, "Automatic", "Automatic"},
    {Mode::kManual, 1, "Manual", "Manual"},
    {Mode::kCpu1, 2, "CPU 1", "CPU1"},
    {Mode::kCpu2, 3, "CPU 2", "CPU2"},
    {Mode::kOff, 4, "Off", "Off"},
}};
static_assert(kModes.size() == kModeItemCount, "one selector item per mode");
static_assert(std::ranges::all_of(kModes,
                                  [](const ModeTraits& traits) {
                                    return &traits ==
                                           &kModes[static_cast<std::size_t>(traits.mode)];
                                  }),
              "the table stands in the order of the modes");

const ModeTraits& TraitsOf(Mode mode);

// The mode of a selector item; nothing for an index outside the items.
std::optional<Mode> ModeOfItem(int index);

// The mode a stored value selects: values beyond the items stand for the nearest end, so anything
// below the first item selects nothing and anything above the last selects Off.
std::optional<Mode> ModeOfSettingsValue(int value);

// The value "Settings.ini" keeps for the selector: -1 when nothing is selected.
int SettingsValueOf(std::optional<Mode> mode);

}  // namespace mervale
