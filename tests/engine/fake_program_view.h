// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/program.h"

namespace mervale {

// Records what the program shows, the way the windows would keep it.
class FakeProgramView : public ProgramView {
 public:
  void ShowFailure() override { ++failures; }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowMode(std::optional<Mode> mode) override {
    shownModes.push_back(mode);
    if (onShowMode) onShowMode(mode);
  }
  void ShowOptions(const Options& shown) override { options = shown; }
  void ShowProfileIndex(int index) override { profileIndex = index; }
  void ShowProfileList(const LineList& entries) override { profileList = entries; }
  void ShowExclusionList(const LineList& names) override { exclusionList = names; }
  void SetRefreshInterval(int milliseconds) override { intervals.push_back(milliseconds); }
  void SetCaption(CaptionTarget target, const std::string& text) override {
    captions[target] = text;
  }
  void SetModeItems(const std::array<std::string, kModeItemCount>& captions) override {
    modeItems = captions;
    ++modeItemFills;
  }
  void AddedCaptionsChanged() override { ++addedCaptionChanges; }

  // How often the mode-change reaction ran: it shows a selected mode; only "none" is shown
  // without it.
  int ModeReactions() const {
    return static_cast<int>(
        std::ranges::count_if(shownModes, [](auto mode) { return mode.has_value(); }));
  }

  int failures = 0;
  std::vector<std::string> errors;
  std::vector<std::optional<Mode>> shownModes;
  // Called inside ShowMode, for looking at the files while the reaction runs.
  std::function<void(std::optional<Mode>)> onShowMode;
  Options options;
  int profileIndex = 0;
  LineList profileList;
  LineList exclusionList;
  std::vector<int> intervals;
  std::map<CaptionTarget, std::string> captions;
  std::array<std::string, kModeItemCount> modeItems{"Automatic", "Manual", "CPU 1", "CPU 2", "Off"};
  int modeItemFills = 0;
  int addedCaptionChanges = 0;
};

}  // namespace mervale
