// SPDX-License-Identifier: GPL-3.0-or-later

#include <algorithm>
#include <functional>

#include "engine/program.h"
#include "engine/saved_list_change.h"
#include "store/data_files.h"
#include "store/line_list_file.h"

namespace mervale {
namespace {

constexpr int kProfileCount = 9;

// Removes the items at the selected indices, from the last to the first so that the earlier indices
// stay valid.
void RemoveSelected(LineList& items, std::vector<int> selected) {
  std::ranges::sort(selected, std::greater<>());
  // std::unique rather than its ranges form, which clang 14 cannot compile with libstdc++ 12.
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  for (const int index : selected) {
    if (index >= 0 && static_cast<std::size_t>(index) < items.size()) {
      items.erase(items.begin() + index);
    }
  }
}

}  // namespace

std::string Program::ProfileFileName() const {
  RequireDataDir();
  return mervale::ProfileFileName(dataDir_, profileIndex_);
}

bool Program::LoadIfExists(LineList& list, const std::string& path) {
  if (!FileExists(path)) return false;
  LoadLineList(list, path);
  return true;
}

void Program::SetProfileIndex(int index) {
  profileIndex_ = index >= 0 && index < kProfileCount ? index : -1;
  view_.ShowProfileIndex(profileIndex_);
}

void Program::SetProfileList(LineList entries) {
  engine_.Policy().profileList = std::move(entries);
  view_.ShowProfileList(engine_.Policy().profileList);
}

void Program::SelectProfile(int index) {
  const int previousIndex = profileIndex_;
  SetProfileIndex(index);
  LineList entries;
  try {
    LoadIfExists(entries, ProfileFileName());
  } catch (...) {
    // Back to the profile that is still shown in full: staying on the new one with an empty list
    // would let the next save wipe that profile's file.
    SetProfileIndex(previousIndex);
    throw;
  }
  SetProfileList(std::move(entries));
  profileFileUnread_ = false;
  engine_.ClearProcesses();
  engine_.RebuildProcesses();
  SaveSettings();
}

void Program::ChangeProfileList(const std::function<void(LineList&)>& change) {
  RequireProfileFileRead();
  LineList& entries = engine_.Policy().profileList;
  ChangeSavedList(entries, ProfileFileName(), change, [&] { view_.ShowProfileList(entries); });
}

void Program::DeleteProfileEntries(const std::vector<int>& selectedEntries) {
  ChangeProfileList([&](LineList& entries) { RemoveSelected(entries, selectedEntries); });
}

void Program::ChangeExclusionList(const std::function<void(LineList&)>& change) {
  RequireDataDir();
  if (exclusionFileUnread_) LoadExclusionList();
  LineList& names = engine_.Policy().exclusionList;
  ChangeSavedList(names, ExclusionFileName(dataDir_), change,
                  [&] { view_.ShowExclusionList(names); });
}

void Program::DeleteExclusions(const std::vector<int>& selectedNames) {
  ChangeExclusionList([&](LineList& names) { RemoveSelected(names, selectedNames); });
}

}  // namespace mervale
