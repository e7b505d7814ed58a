// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/program.h"

#include <QLocale>
#include <QString>
#include <algorithm>

#include "engine/saved_list_change.h"
#include "store/data_files.h"
#include "store/error.h"
#include "store/excerpt.h"
#include "store/line_list_file.h"

namespace mervale {
namespace {

// Without a data directory every file would land in whatever the current directory is; the program
// refuses instead and says why.
constexpr const char* kNoDataDirText =
    "Datenverzeichnis kann nicht ermittelt werden. Einstellungen und Listen werden nicht "
    "gespeichert";

// Primary languages whose users see the header banner.
constexpr QLocale::Language kBannerLanguages[] = {QLocale::Arabic, QLocale::Turkish, QLocale::Urdu,
                                                  QLocale::Indonesian, QLocale::Persian};

}  // namespace

Program::Program(ProcessPlatform& platform, SystemServices& system, ProgramView& view)
    : platform_(platform), system_(system), view_(view), engine_(platform, *this) {}

void Program::ShowFailure() {
  view_.ShowFailure();
}

void Program::ShowEntriesNamingMissingCpus(const LineList& entries) {
  std::string text = Caption(AddedCaption::kEntriesNamingMissingCpusText);
  for (const std::string& entry : entries) text += "\n" + Excerpt(entry);
  view_.ShowError(text);
}

void Program::RequireDataDir() const {
  if (!dataDirKnown_) throw Error(kNoDataDirText);
}

void Program::PrepareData() {
  AssignmentPolicy& policy = engine_.Policy();
  policy.nextCpu = 1;
  policy.topology = platform_.Topology();
  // The settings say what the cycle is on this machine, so its size is known before they load.
  engine_.ReadMachine();
  UpdateCycleCpus(policy);
  const std::optional<std::string> dataDir = system_.DataDir();
  dataDirKnown_ = dataDir.has_value();
  dataDir_ = dataDir.value_or("");
  engine_.ClearProcesses();
  system_.BringAutostartUpToDate(system_.ExecutablePath());
  // Without a directory the start-up goes on (the tray icon comes next); the exclusion list is the
  // first thing that needs it and says why it cannot be had.
  if (!dataDirKnown_) return;
  system_.CreateDirectories(dataDir_);
}

void Program::LoadExclusionList() {
  RequireDataDir();
  exclusionFileUnread_ = true;
  if (LoadIfExists(engine_.Policy().exclusionList, ExclusionFileName(dataDir_))) {
    view_.ShowExclusionList(engine_.Policy().exclusionList);
  }
  exclusionFileUnread_ = false;
}

bool Program::ShowsLocaleBanner() {
  const QLocale::Language language =
      QLocale(QString::fromStdString(system_.SystemLocaleName())).language();
  return std::ranges::find(kBannerLanguages, language) != std::end(kBannerLanguages);
}

void Program::RefreshProcesses() {
  engine_.RefreshProcesses();
}

void Program::ProgramsStarted(std::span<const Pid> pids) {
  engine_.ProgramsStarted(pids);
}

void Program::ShowStartedRows() {
  engine_.ShowStartedRows();
}

void Program::LookForProgramChanges() {
  engine_.LookForProgramChanges();
}

int Program::SelectedProcessCount() const {
  int count = 0;
  engine_.Table().ForEachSelectedRow([&count](const ProcessRow&) { ++count; });
  return count;
}

void Program::SetTableShown(bool shown) {
  engine_.FollowKnownMasks(shown);
  if (shown) engine_.RefreshProcesses();
}

void Program::SelectMode(std::optional<Mode> mode) {
  if (mode == CurrentMode()) return;
  engine_.Policy().mode = mode;
  if (!mode) {
    view_.ShowMode(mode);
    return;
  }
  ModeChanged();
}

void Program::ModeChanged() {
  view_.ShowMode(CurrentMode());
  engine_.ClearProcesses();
  engine_.RebuildProcesses();
  SaveSettings();
}

void Program::ApplySetToSelected(const CpuSet& set, bool addToList) {
  if (addToList) ChangeProfileList([&](LineList&) { engine_.AddSelectedToProfile(set); });
  engine_.ApplyToSelected(set);
}

void Program::IsolateSelected() {
  engine_.Isolate();
}

void Program::RestoreSelected() {
  engine_.RestoreSelected();
}

void Program::RestoreAll() {
  engine_.RestoreAll();
}

void Program::ExcludeSelected() {
  ChangeExclusionList([this](LineList&) { engine_.Exclude(); });
}

}  // namespace mervale
