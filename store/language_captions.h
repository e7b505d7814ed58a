// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <span>
#include <string>
#include <string_view>

#include "store/line_list.h"

namespace mervale {

// Every caption a language file sets, named after its control or menu item (layout name beside it).
enum class CaptionTarget {
  kNameColumn,            // ListView1 column 1
  kIdColumn,              // ListView1 column 2
  kCpuColumn,             // ListView1 column 3
  kModeGroupTitle,        // RadioGroup1
  kAllCpusMenu,           // AllCPUs1
  kProfileGroupTitle,     // GroupBox4
  kProfileSelectorText,   // ComboBox1 text
  kOptionsButton,         // Button1
  kHeaderTitle,           // Panel2
  kAboutLink,             // Panel3
  kCpu1Item,              // CPU11
  kCpu2Item,              // CPU21
  kCpu12Item,             // CPU121
  kProcessMenuSeparator,  // N3
  kAddToListMenu,         // Addtolist1
  kQuadCoreBox,           // Form2 CheckBox3
  kShowItem,              // Show1
  kTraySeparator1,        // N1
  kTrayModeMenu,          // Mode1
  // The five items of the mode selector RadioGroup1, rebuilt from lines 20 to 24, and the mode
  // items of the tray's Mode1, which take the same lines.
  kModeItems,
  kTraySeparator2,            // N2
  kDonationItem,              // Donation1
  kTraySeparator3,            // N4
  kExitItem,                  // Exit1
  kDeleteProfileEntriesItem,  // Delete1
  kRefreshRateLabel,          // Form2 Label1
  kAutostartBox,              // Form2 CheckBox1
  kStartMinimizedBox,         // Form2 CheckBox2
  kCloseOptionsButton,        // Form2 Button1
  kIsolateItem,               // Isolate1
  kProfileTab,                // TabSheet1
  kExclusionTab,              // TabSheet2
  kExcludeItem,               // Exclude1
  kDeleteExclusionsItem,      // Delete2
};

struct CaptionStep {
  CaptionTarget target;
  int index;  // the language table line; for kModeItems the first of five
};

inline constexpr int kModeItemCount = 5;
// A table that can be applied whole has at least this many lines.
inline constexpr int kLanguageTableLines = 42;

// Captions added on the lines after the first 42: most for machines with more than four CPUs, then
// "Start at login", the Choose CPUs buttons and the restore items. A language file without them
// stays valid: the English text stands in for each line it lacks.
enum class AddedCaption {
  kSingleCpusMenu,        // the submenu that lists every CPU on its own
  kCoreItem,              // the threads of one physical core, "%d" its number
  kPerformanceCoresItem,  // hybrid processors
  kEfficiencyCoresItem,   // hybrid processors
  kCacheDomainItem,       // the CPUs sharing one last-level cache, "%d" its number
  kNumaNodeItem,          // "%d" the node's number
  kOneThreadPerCoreItem,
  kAllCpusItem,
  kChooseCpusItem,  // opens the dialog with a check box per CPU
  kChooseCpusTitle,
  kOkButton,
  kCancelButton,
  kCycleLabel,  // Options: the set that mode Automatic cycles over
  kTwoCpusChoice,
  kFourCpusChoice,
  kCoresMenu,        // the submenu that lists every core on its own
  kStartAtLoginBox,  // Options: the autostart box where the logon entry is not Windows' own
  kEveryCpuItem,     // the item that gives every online CPU, inside "All CPUs" and "Add to list"
  kAllButton,        // Choose CPUs: check every box
  kNoneButton,       // Choose CPUs: clear every box
  kSetForSelectedButton,  // Choose CPUs' OK under "All CPUs", "%d" the selected processes
  kAddToProfileButton,    // Choose CPUs' OK under "Add to list"
  kCpuCountToolTip,       // first line of a CPU set's tooltip, "%d" its number of CPUs
  kRestoreCpusItem,       // process menu: the selected processes get their sets from before us
  kRestoreAllCpusItem,    // tray menu: every process we changed does
  // Error box: profile entries naming a CPU the machine lacks follow, one a line.
  kEntriesNamingMissingCpusText,
  // Donation: a page that could not be opened; its address follows on the next line.
  kPageNotOpenedText,
};

inline constexpr int kAddedCaptionCount = 27;

// The table's line for `caption`, or its English text when the table is too short.
std::string AddedCaptionText(const LineList& table, AddedCaption caption);

// `caption` with its first "%d" replaced by `number`. Captions come from files anyone may edit, so
// nothing else in them is treated as a format.
std::string WithNumber(std::string_view caption, int number);

// The captions in the order they are applied.
std::span<const CaptionStep> CaptionSteps();

// The first line index, in application order, that `table` lacks; -1 when it has them all.
int FirstMissingCaptionIndex(const LineList& table);

// The names of the files in `directory` without their extensions, sorted with letter case
// ignored; empty when the directory does not exist. Subdirectories are not listed.
LineList ListLanguageFiles(const std::string& directory);

}  // namespace mervale
