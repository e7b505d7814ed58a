// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/language_captions.h"
#include "store/line_search.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace mervale {
namespace {

using enum CaptionTarget;

constexpr std::array kCaptionSteps{
    CaptionStep{kNameColumn, 0},
    CaptionStep{kIdColumn, 1},
    CaptionStep{kCpuColumn, 2},
    CaptionStep{kModeGroupTitle, 3},
    CaptionStep{kAllCpusMenu, 4},
    CaptionStep{kProfileGroupTitle, 6},
    CaptionStep{kProfileSelectorText, 7},
    CaptionStep{kOptionsButton, 8},
    CaptionStep{kHeaderTitle, 9},
    CaptionStep{kAboutLink, 10},
    CaptionStep{kCpu1Item, 11},
    CaptionStep{kCpu2Item, 12},
    CaptionStep{kCpu12Item, 13},
    CaptionStep{kProcessMenuSeparator, 14},
    CaptionStep{kAddToListMenu, 15},
    CaptionStep{kQuadCoreBox, 16},
    CaptionStep{kShowItem, 17},
    CaptionStep{kTraySeparator1, 18},
    CaptionStep{kTrayModeMenu, 19},
    CaptionStep{kModeItems, 20},
    CaptionStep{kTraySeparator2, 25},
    CaptionStep{kDonationItem, 26},
    CaptionStep{kTraySeparator3, 27},
    CaptionStep{kExitItem, 28},
    CaptionStep{kDeleteProfileEntriesItem, 29},
    CaptionStep{kRefreshRateLabel, 31},
    CaptionStep{kAutostartBox, 35},
    CaptionStep{kStartMinimizedBox, 36},
    CaptionStep{kCloseOptionsButton, 39},
    CaptionStep{kIsolateItem, 40},
    CaptionStep{kProfileTab, 21},
    CaptionStep{kExclusionTab, 41},
    CaptionStep{kExcludeItem, 41},
    CaptionStep{kDeleteExclusionsItem, 30},
};

// The English text of each AddedCaption, in enum order; the first stands on line 43.
constexpr std::array<std::string_view, kAddedCaptionCount> kAddedCaptionsEnglish{
    "Single CPUs",
    "Core %d",
    "Performance cores",
    "Efficiency cores",
    "Cache domain %d",
    "NUMA node %d",
    "One thread per core",
    "All CPUs",
    "Choose CPUs\u2026",
    "Choose CPUs",
    "OK",
    "Cancel",
    "Automatic cycles over:",
    "Two CPUs",
    "Four CPUs",
    "Cores",
    "Start at login",
    "Every CPU",
    "All",
    "None",
    "Set for %d selected",
    "Add to the profile",
    "CPUs: %d",
    "Restore CPUs",
    "Restore all CPUs",
    "These profile entries name a CPU this machine does not have, so they are not applied",
    "The page could not be opened. Its address, to copy into a browser:",
};

static_assert(kAddedCaptionsEnglish.size() ==
              static_cast<std::size_t>(AddedCaption::kPageNotOpenedText) + 1);

int LinesOf(const CaptionStep& step) {
  return step.target == kModeItems ? kModeItemCount : 1;
}

// The name up to its last "."; a name without one is taken whole.
std::string WithoutExtension(const std::string& fileName) {
  const auto dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

std::span<const CaptionStep> CaptionSteps() {
  return kCaptionSteps;
}

int FirstMissingCaptionIndex(const LineList& table) {
  const auto size = static_cast<int>(table.size());
  for (const CaptionStep& step : kCaptionSteps) {
    const int end = step.index + LinesOf(step);
    if (end > size) return std::max(step.index, size);
  }
  return -1;
}

std::string AddedCaptionText(const LineList& table, AddedCaption caption) {
  const auto offset = static_cast<std::size_t>(caption);
  const auto line = static_cast<std::size_t>(kLanguageTableLines) + offset;
  return line < table.size() ? table[line] : std::string(kAddedCaptionsEnglish[offset]);
}

std::string WithNumber(std::string_view caption, int number) {
  std::string text(caption);
  const auto at = text.find("%d");
  if (at != std::string::npos) text.replace(at, 2, std::to_string(number));
  return text;
}

LineList ListLanguageFiles(const std::string& directory) {
  namespace fs = std::filesystem;
  LineList names;
  std::error_code error;
  fs::directory_iterator entry(fs::path(directory), error);
  // An unreadable or missing directory lists nothing, as does an entry that cannot be read.
  for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
    const bool isFile = entry->is_regular_file(error);  // false also when it cannot be told
    error.clear();
    if (isFile) names.push_back(WithoutExtension(entry->path().filename().string()));
  }
  SortLines(names);
  return names;
}

}  // namespace mervale
