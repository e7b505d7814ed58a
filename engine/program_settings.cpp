#include <initializer_list>
#include <vector>

#include "engine/program.h"
#include "store/data_files.h"
#include "store/line_list_file.h"
#include "store/settings_file.h"

namespace mervale {
namespace {

// Keeps control reactions switched off for its lifetime, and switches them on again however the
// scope is left.
class ReactionsSwitchedOff {
 public:
  explicit ReactionsSwitchedOff(std::initializer_list<bool*> reactions) : reactions_(reactions) {
    for (bool* reacts : reactions_) *reacts = false;
  }
  ReactionsSwitchedOff(const ReactionsSwitchedOff&) = delete;
  ReactionsSwitchedOff& operator=(const ReactionsSwitchedOff&) = delete;
  ~ReactionsSwitchedOff() {
    for (bool* reacts : reactions_) *reacts = true;
  }

 private:
  std::vector<bool*> reactions_;
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
  const std::string settingsFile = SettingsFileName(dataDir_);
  if (FileExists(settingsFile)) {
    try {
      RestoreSettings(settingsFile);
    } catch (...) {
      // The active profile's list must show what its file holds even so: left empty, the next
      // addition would save one entry over the whole file.
      LoadActiveProfileList();
      throw;
    }
  }
  engine_.RefreshProcesses();
  SaveSettings();
  LoadActiveProfileList();
  LoadLanguage();
}

void Program::LoadActiveProfileList() {
  LineList entries;
  if (LoadIfExists(entries, ProfileFileName())) SetProfileList(std::move(entries));
}

void Program::RestoreSettings(const std::string& settingsFile) {
  LineList lines;
  LoadLineList(lines, settingsFile);
  // Everything that can fail is read before any control changes: the reactions below save the
  // settings from half-restored controls, and only a completed restore writes the file's own lines
  // back over them.
  LineList firstProfile;
  const bool hasFirstProfile =
      LoadIfExists(firstProfile, mervale::ProfileFileName(dataDir_, StoredProfileText(lines)));
  const SettingsValues stored = ParseSettingsLines(lines);

  if (hasFirstProfile) SetProfileList(std::move(firstProfile));
  const ReactionsSwitchedOff switchedOff{&autostartReacts_, &startMinimizedReacts_, &profileReacts_,
                                         &refreshTextReacts_};
  SetAutostart(stored.autostart);
  SetStartMinimized(stored.startMinimized);
  SetCpuCycle(StoredCycle(lines, stored, OffersCycleChoice()));
  UpdateCycle();
  SetProfileIndex(stored.profileIndex);
  SelectMode(ModeOfSettingsValue(stored.mode));
  SetRefreshText(stored.refreshText);
  // A refresh rate that is no usable number is the user's stored text all the same: the field shows
  // it and the timer keeps its interval, so start-up is not interrupted for it.
  if (const std::optional<int> interval = RefreshIntervalOf(stored.refreshText)) {
    SetRefreshInterval(*interval);
  }
  SaveLineList(lines, settingsFile);
}

}  // namespace mervale
