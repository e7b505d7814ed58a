#pragma once

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/program.h"

namespace mervale {

// Records what the program shows, the way the windows would keep it.
class FakeProgramView : public ProgramView {
 public:
  void ShowFailure() override { ++failures; }
  void ShowMode(int index) override {
    shownModes.push_back(index);
    if (onShowMode) onShowMode(index);
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

  // How often the mode-change reaction ran: it shows a selected mode; only -1 is shown without it.
  int ModeReactions() const {
    int count = 0;
    for (const int index : shownModes) count += index >= 0 ? 1 : 0;
    return count;
  }

  int failures = 0;
  std::vector<int> shownModes;
  // Called inside ShowMode, for looking at the files while the reaction runs.
  std::function<void(int)> onShowMode;
  Options options;
  int profileIndex = 0;
  LineList profileList;
  LineList exclusionList;
  std::vector<int> intervals;
  std::map<CaptionTarget, std::string> captions;
  std::array<std::string, kModeItemCount> modeItems{"Automatic", "Manual", "CPU 1", "CPU 2", "Off"};
  int modeItemFills = 0;
};

}  // namespace mervale
