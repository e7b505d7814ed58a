// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/set_menus.h"
#include "store/language_captions.h"
#include "store/line_list.h"
#include "store/system/system_services.h"

namespace mervale {

struct SettingsValues;

// The options of the Options window: the check boxes and the refresh-rate field.
struct Options {
  bool autostart = false;         // CheckBox1 "Autostart with windows"
  bool startMinimized = false;    // CheckBox2 "Start minimized"
  std::string refreshText = "1";  // Edit1, seconds, stored unchecked
  // What mode Automatic and "Isolate" cycle over: CheckBox3 "Quad core" checked is Four CPUs,
  // unchecked Two CPUs; machines with more than four CPUs offer every choice instead.
  CpuCycle cycle = CpuCycle::kTwoCpus;
};

// What the windows show of the program. The program calls these after its state changed, so the
// controls can follow; none of them may call back into the program.
class ProgramView {
 public:
  virtual ~ProgramView() = default;
  // The engine's "Failure": no process snapshot could be taken.
  virtual void ShowFailure() = 0;
  // A fault found outside any handler, for the error box once the running event has ended.
  virtual void ShowError(const std::string& text) = 0;
  // The mode selector shows `mode` (nothing: no item selected) and the tray's mode items carry the
  // check mark of that mode.
  virtual void ShowMode(std::optional<Mode> mode) = 0;
  virtual void ShowOptions(const Options& options) = 0;
  // The profile selector shows `index` (-1: nothing selected).
  virtual void ShowProfileIndex(int index) = 0;
  virtual void ShowProfileList(const LineList& entries) = 0;
  virtual void ShowExclusionList(const LineList& names) = 0;
  // Interval of the refresh timer in milliseconds; 0 stops it.
  virtual void SetRefreshInterval(int milliseconds) = 0;
  virtual void SetCaption(CaptionTarget target, const std::string& text) = 0;
  // Replaces the five mode items; the selector then has no selected item until ShowMode.
  virtual void SetModeItems(const std::array<std::string, kModeItemCount>& captions) = 0;
  // A language was applied: what Program::Caption gives may have changed.
  virtual void AddedCaptionsChanged() = 0;
};

// The program's state and the logic of every window handler, without any toolkit. The windows bind
// their controls to it: a user's change calls the matching method, and the program answers through
// ProgramView. Methods that fail throw Error with the text for the error box; what they changed
// before the failure stays changed, as with any event handler.
class Program : private FailureReporter {
 public:
  Program(ProcessPlatform& platform, SystemServices& system, ProgramView& view);

  const Options& GetOptions() const { return options_; }
  std::optional<Mode> CurrentMode() const { return engine_.Policy().mode; }
  int ProfileIndex() const { return profileIndex_; }
  const std::string& DataDir() const { return dataDir_; }
  const LineList& LanguageTable() const { return languageTable_; }
  // The language whose file the captions came from; empty before the first.
  const std::string& LanguageInUse() const { return languageInUse_; }
  int RefreshIntervalMs() const { return refreshIntervalMs_; }
  // The machine's layout as it was when the program started.
  const CpuTopology& Topology() const { return engine_.Policy().topology; }
  // Whether the Options offer every cycle choice in place of "Quad core": on machines with more
  // than four CPUs.
  bool OffersCycleChoice() const { return ManagesMoreThanFourCpus(engine_.Policy().managedCpus); }
  // The autostart box's caption in the current language where the logon entry is not the one the
  // language files' "Autostart with windows" names; nothing where it is.
  std::optional<std::string> OwnAutostartCaption() const;
  // A caption past the first 42 lines, in the current language.
  std::string Caption(AddedCaption caption) const {
    return AddedCaptionText(languageTable_, caption);
  }

  // Start-up of the main window, in this order: PrepareData (nextCpu, DataDir, KnownPids, the data
  // directory), then the tray icon, then LoadExclusionList, then ShowsLocaleBanner.
  void PrepareData();
  void LoadExclusionList();
  bool ShowsLocaleBanner();
  // The Options window's language list: the files in the language directory (LanguagesDirFor).
  LineList LanguageNames();
  // The About window's creation: restores the settings, first refresh, profile, language. Every
  // step runs even when one fails; the faults are thrown together at the end.
  void LoadSettings();
  void SaveSettings();

  // The refresh timer's tick (Timer1).
  void RefreshProcesses();
  // The system reported these processes as having just started a program. Their rows wait for
  // ShowStartedRows() or the next refresh.
  void ProgramsStarted(std::span<const Pid> pids);
  void ShowStartedRows();
  // The system hinted that some process may run another program now.
  void LookForProgramChanges();
  // What decides the set of each newly seen process, as it stands now.
  const AssignmentPolicy& Policy() const { return engine_.Policy(); }
  // The rows the process list shows, for the model that follows them.
  ProcessTable& Processes() { return engine_.Table(); }
  const ProcessTable& Processes() const { return engine_.Table(); }
  // A click on a column header of the process list (ListView1ColumnClick): sorts by that column,
  // or the other way round when it is the column sorted by.
  void SortProcessesBy(int column) { engine_.Table().ColumnClick(column); }
  // The processes selected in the list: their PIDs, how many, and the set of the first.
  std::vector<Pid> SelectedPids() const { return engine_.Table().SelectedPids(); }
  int SelectedProcessCount() const;
  CpuSet FirstSelectedSet() const { return mervale::FirstSelectedSet(engine_.Table()); }
  // How the profile list shows one of its entries on this machine.
  std::string ShownProfileEntry(std::string_view entry) const {
    return ProfileEntryShown(entry, engine_.Policy().managedCpus);
  }
  // The process table became visible or hidden; once visible, its CPU column is brought up to date
  // at once.
  void SetTableShown(bool shown);

  // The mode chosen by the user in the selector or the tray menu, or set by the program; when it
  // changes to a mode, the mode-change reaction runs.
  void SelectMode(std::optional<Mode> mode);
  // The user picked a profile in the profile selector (ComboBox1).
  void SelectProfile(int index);
  // "Delete" in the profile list (Delete1) or the exclusion list (Delete2) with the list's selected
  // item indices.
  void DeleteProfileEntries(const std::vector<int>& selectedEntries);
  void DeleteExclusions(const std::vector<int>& selectedNames);

  // The process menu: any set it offers (the selected processes get it; "Add to list" records it
  // first), "Isolate" (Isolate1), "Exclude" (Exclude1).
  void ApplySetToSelected(const CpuSet& set, bool addToList);
  void IsolateSelected();
  void ExcludeSelected();
  // "Restore CPUs" in the process menu and "Restore all CPUs" in the tray menu.
  void RestoreSelected();
  void RestoreAll();

  // The Options window. Each setter stores the value and runs the control's reaction when the value
  // changed.
  void SetAutostart(bool checked);
  void SetStartMinimized(bool checked);
  // "Quad core" checked is the cycle Four CPUs, unchecked Two CPUs.
  void SetQuadCore(bool checked);
  void SetCpuCycle(CpuCycle cycle);
  void SetRefreshText(const std::string& text);
  void SelectLanguage(const std::string& name);

 private:
  // What the engine reports goes to the windows.
  void ShowFailure() override;
  void ShowEntriesNamingMissingCpus(const LineList& entries) override;
  // The reactions of the mode selector (RadioGroup1Click), the autostart box (CheckBox1Click) and
  // the cycle ("Quad core", CheckBox3Click); the refresh-rate field's (Edit1Change) is in its
  // setter.
  void ModeChanged();
  void AutostartChanged();
  void CycleChanged();
  void ApplyLanguage();
  void LoadLanguage();
  // Loads and applies the language file of that name, English when there is none.
  void UseLanguage(const std::string& name);
  std::string ProfileFileName() const;
  void RequireDataDir() const;
  // Restores what the file holds and gives what could not be read, the first profile list's file
  // among them (each such value kept its default); throws when the file cannot be read, before any
  // change. Its steps, in their order: the first profile list, the options, the cycle, the profile
  // index, the mode, the refresh interval.
  std::vector<std::string> RestoreSettings(const std::string& settingsFile);
  // The list of the profile the file names, when its file exists; a fault reading it joins
  // `faults`.
  void RestoreFirstProfileList(const std::string& profileText, std::vector<std::string>& faults);
  // The Options window's values as stored, without their reactions.
  void RestoreOptions(const SettingsValues& stored, CpuCycle cycle);
  // The timer follows a stored rate that is one; any other text leaves it as it was.
  void RestoreRefreshInterval(const std::string& refreshText);
  void WriteSettings();
  // The profile selector's index; anything outside the nine profiles selects none.
  void SetProfileIndex(int index);
  void SetProfileList(LineList entries);
  // Shows and applies the list of the selected profile when its file exists.
  void LoadActiveProfileList();
  // A list whose file could not be read would be saved over that file: it is read again first, and
  // a file that still cannot be read refuses the change.
  void RequireProfileFileRead();
  // Changes the active profile list and saves it; a failed save leaves it as its file holds it.
  void ChangeProfileList(const std::function<void(LineList&)>& change);
  // The same for the exclusion list, which is read again first when its file could not be read.
  void ChangeExclusionList(const std::function<void(LineList&)>& change);
  void UpdateCycle();
  void SetRefreshInterval(int milliseconds);
  std::string LanguagesDir();
  // Loads the file into `list` when it exists; false, with `list` untouched, when it does not.
  static bool LoadIfExists(LineList& list, const std::string& path);

  ProcessPlatform& platform_;
  SystemServices& system_;
  ProgramView& view_;
  AffinityEngine engine_;
  Options options_;
  int profileIndex_ = 0;
  // The selected profile's file could not be read: the list shown is not what it holds.
  bool profileFileUnread_ = false;
  // The same for the exclusion list's file.
  bool exclusionFileUnread_ = false;
  std::string dataDir_;
  bool dataDirKnown_ = false;
  LineList languageTable_;
  std::string languageInUse_;
  int refreshIntervalMs_ = 1000;
  // LoadSettings holds the settings' saves back while it restores; WriteSettings writes anyway.
  bool settingsSavesOn_ = true;
};

}  // namespace mervale
