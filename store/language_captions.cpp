#include "store/language_captions.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

namespace mervale {
namespace {

using enum CaptionTarget;

constexpr std::array kCaptionSteps{
    CaptionStep{kListView1Column1, 0},
    CaptionStep{kListView1Column2, 1},
    CaptionStep{kListView1Column3, 2},
    CaptionStep{kRadioGroup1, 3},
    CaptionStep{kAllCPUs1, 4},
    CaptionStep{kGroupBox4, 6},
    CaptionStep{kComboBox1Text, 7},
    CaptionStep{kButton1, 8},
    CaptionStep{kPanel2, 9},
    CaptionStep{kPanel3, 10},
    CaptionStep{kCPU11, 11},
    CaptionStep{kCPU21, 12},
    CaptionStep{kCPU121, 13},
    CaptionStep{kN3, 14},
    CaptionStep{kAddtolist1, 15},
    CaptionStep{kOptionsCheckBox3, 16},
    CaptionStep{kShow1, 17},
    CaptionStep{kN1, 18},
    CaptionStep{kMode1, 19},
    CaptionStep{kModeItems, 20},
    CaptionStep{kAutomatic1, 20},
    CaptionStep{kManual1, 21},
    CaptionStep{kCPU12, 22},
    CaptionStep{kCPU1, 23},
    CaptionStep{kOff1, 24},
    CaptionStep{kN2, 25},
    CaptionStep{kDonation1, 26},
    CaptionStep{kN4, 27},
    CaptionStep{kExit1, 28},
    CaptionStep{kDelete1, 29},
    CaptionStep{kOptionsLabel1, 31},
    CaptionStep{kOptionsCheckBox1, 35},
    CaptionStep{kOptionsCheckBox2, 36},
    CaptionStep{kOptionsButton1, 39},
    CaptionStep{kIsolate1, 40},
    CaptionStep{kTabSheet1, 21},
    CaptionStep{kTabSheet2, 41},
    CaptionStep{kExclude1, 41},
    CaptionStep{kDelete2, 30},
};

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
