#pragma once

#include <span>

#include "store/line_list.h"

namespace mervale {

// Every caption a language file sets, named after its control or menu item.
enum class CaptionTarget {
  kListView1Column1,
  kListView1Column2,
  kListView1Column3,
  kRadioGroup1,
  kAllCPUs1,
  kGroupBox4,
  kComboBox1Text,
  kButton1,
  kPanel2,
  kPanel3,
  kCPU11,
  kCPU21,
  kCPU121,
  kN3,
  kAddtolist1,
  kOptionsCheckBox3,
  kShow1,
  kN1,
  kMode1,
  kModeItems,  // the five items of RadioGroup1, rebuilt from lines 20 to 24
  kAutomatic1,
  kManual1,
  kCPU12,
  kCPU1,
  kOff1,
  kN2,
  kDonation1,
  kN4,
  kExit1,
  kDelete1,
  kOptionsLabel1,
  kOptionsCheckBox1,
  kOptionsCheckBox2,
  kOptionsButton1,
  kIsolate1,
  kTabSheet1,
  kTabSheet2,
  kExclude1,
  kDelete2,
};

struct CaptionStep {
  CaptionTarget target;
  int index;  // the language table line; for kModeItems the first of five
};

inline constexpr int kModeItemCount = 5;
// A table that can be applied whole has at least this many lines.
inline constexpr int kLanguageTableLines = 42;

// The captions in the order they are applied.
std::span<const CaptionStep> CaptionSteps();

// The first line index, in application order, that `table` lacks; -1 when it has them all.
int FirstMissingCaptionIndex(const LineList& table);

// The names of the files in `directory` without their extensions, sorted with letter case
// ignored; empty when the directory does not exist. Subdirectories are not listed.
LineList ListLanguageFiles(const std::string& directory);

}  // namespace mervale
