// SPDX-License-Identifier: GPL-3.0-or-later

#include <algorithm>
#include <vector>

#include "engine/program.h"
#include "store/data_files.h"
#include "store/error.h"
#include "store/line_list_file.h"
#include "store/settings_file.h"

namespace mervale {
namespace {

// Holds the settings' saves back for its lifetime, and lets them go however the scope is left.
class SavesHeld {
 public:
  explicit SavesHeld(bool& savesOn) : savesOn_(savesOn) { savesOn_ = false; }
  SavesHeld(const SavesHeld&) = delete;
  SavesHeld& operator=(const SavesHeld&) = delete;
  ~SavesHeld() { savesOn_ = true; }

 private:
  bool& savesOn_;
};

// The cycle a settings file names: on a machine with more than four CPUs its seventh line when
// this build knows the word, else line 6 as every build reads it.
CpuCycle StoredCycle(const LineList& lines, const SettingsValues& stored, bool offersCycleChoice) {
  const std::optional<std::string> word = StoredCycleWord(lines);
  const std::optional<CpuCycle> named =
      offersCycleChoice && word ? CycleOfWord(*word) : std::nullopt;
  if (named) return *named;
  return stored.quadCore ? CpuCycle::kFourCpus : CpuCycle::kTwoCpus;
}

// The seventh line: the word naming the cycle on machines with more than four CPUs, beside line 6,
// which keeps "Quad core" for builds that know only six lines (checked exactly for Four CPUs).
// Machines with at most four CPUs write nothing more, so their files stay as every build writes
// them.
std::optional<std::string> CycleWordToStore(CpuCycle cycle, bool offersCycleChoice) {
  if (!offersCycleChoice) return std::nullopt;
  return std::string(CycleWord(cycle));
}

}  // namespace

void Program::SaveSettings() {
  if (settingsSavesOn_) WriteSettings();
}

void Program::WriteSettings() {
  RequireDataDir();
  const SettingsValues values{SettingsValueOf(CurrentMode()),
                              options_.autostart,
                              options_.startMinimized,
                              profileIndex_,
                              options_.refreshText,
                              options_.cycle == CpuCycle::kFourCpus,
                              CycleWordToStore(options_.cycle, OffersCycleChoice())};
  SaveLineList(SettingsLines(values), SettingsFileName(dataDir_));
}

void Program::LoadSettings() {
  languageTable_.clear();
  RequireDataDir();
  // Start-up goes through every step whatever fails on the way, so the window never comes up
  // half-started; the user hears of each fault once, at the end.
  std::vector<std::string> faults;
  const auto attempt = [&faults](const auto& step) {
    try {
      step();
    } catch (const Error& error) {
      if (std::ranges::find(faults, error.what()) == faults.end())
        faults.emplace_back(error.what());
    }
  };
  // Restoring runs the reactions of the cycle and the mode, and applying the language the mode's
  // again, and each saves: the file is written once, after the restore, from what it restored, or
  // when a value could not be read, not until the user changes something, and then with the values
  // that were read.
  const SavesHeld savesHeld(settingsSavesOn_);
  const std::string settingsFile = SettingsFileName(dataDir_);
  if (FileExists(settingsFile)) attempt([&] { faults = RestoreSettings(settingsFile); });
  const bool settingsReadWhole = faults.empty();
  attempt([this] { engine_.RefreshProcesses(); });
  if (settingsReadWhole) attempt([this] { WriteSettings(); });
  attempt([this] { LoadActiveProfileList(); });
  attempt([this] { LoadLanguage(); });
  if (faults.empty()) return;
  std::string text = faults.front();
  for (std::size_t i = 1; i < faults.size(); ++i) text = ErrorBoxText(text) + "\n" + faults[i];
  throw Error(text);
}

void Program::LoadActiveProfileList() {
  LineList entries;
  profileFileUnread_ = true;
  if (LoadIfExists(entries, ProfileFileName())) SetProfileList(std::move(entries));
  profileFileUnread_ = false;
}

void Program::RequireProfileFileRead() {
  if (profileFileUnread_) LoadActiveProfileList();
}

std::vector<std::string> Program::RestoreSettings(const std::string& settingsFile) {
  LineList lines;
  LoadLineList(lines, settingsFile);
  SettingsReading stored = ReadSettingsLines(lines);
  // The controls take their values without their reactions: the logon entry stays as it is, and
  // the file is written by LoadSettings, once.
  RestoreFirstProfileList(StoredProfileText(lines), stored.faults);
  RestoreOptions(stored.values, StoredCycle(lines, stored.values, OffersCycleChoice()));
  UpdateCycle();
  SetProfileIndex(stored.values.profileIndex);
  SelectMode(ModeOfSettingsValue(stored.values.mode));
  RestoreRefreshInterval(stored.values.refreshText);
  return std::move(stored.faults);
}

void Program::RestoreFirstProfileList(const std::string& profileText,
                                      std::vector<std::string>& faults) {
  // The first profile list is one value more: when its file cannot be read, everything else is
  // restored all the same, and its fault is told on a line of its own.
  LineList entries;
  try {
    if (LoadIfExists(entries, mervale::ProfileFileName(dataDir_, profileText)))
      SetProfileList(std::move(entries));
  } catch (const Error& error) {
    faults.emplace_back(error.what());
  }
}

void Program::RestoreOptions(const SettingsValues& stored, CpuCycle cycle) {
  options_.autostart = stored.autostart;
  options_.startMinimized = stored.startMinimized;
  options_.refreshText = stored.refreshText;  // as stored, even when it is no rate
  options_.cycle = cycle;
  view_.ShowOptions(options_);
}

void Program::RestoreRefreshInterval(const std::string& refreshText) {
  if (const std::optional<int> interval = RefreshIntervalOf(refreshText))
    SetRefreshInterval(*interval);
}

}  // namespace mervale
