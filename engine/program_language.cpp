// SPDX-License-Identifier: GPL-3.0-or-later

#include <algorithm>

#include "engine/program.h"
#include "store/data_files.h"
#include "store/error.h"
#include "store/languages_dir.h"
#include "store/line_list_file.h"

namespace mervale {
namespace {

constexpr const char* kFallbackLanguage = "English";
constexpr const char* kLanguageFileExtension = ".txt";

}  // namespace

std::string Program::LanguagesDir() {
  return LanguagesDirFor(system_.ExecutableDir());
}

LineList Program::LanguageNames() {
  return ListLanguageFiles(LanguagesDir());
}

void Program::LoadLanguage() {
  languageTable_.clear();
  RequireDataDir();
  LineList choice;
  const std::string name = LoadIfExists(choice, LanguageChoiceFileName(dataDir_))
                               ? LineAt(choice, 0)
                               : std::string(kFallbackLanguage);
  // Applied before the choice is written, so a data directory that takes no writes still gets
  // the language's captions; a file that already holds just the choice is left alone.
  UseLanguage(name);
  if (choice != LineList{name}) SaveLineList({name}, LanguageChoiceFileName(dataDir_));
}

void Program::SelectLanguage(const std::string& name) {
  RequireDataDir();
  // The choice is remembered even when no file of that name exists: English stands in for it.
  SaveLineList({name}, LanguageChoiceFileName(dataDir_));
  UseLanguage(name);
}

void Program::UseLanguage(const std::string& name) {
  const std::string languagesDir = LanguagesDir();
  const std::string used = FileExists(languagesDir + name + kLanguageFileExtension)
                               ? name
                               : std::string(kFallbackLanguage);
  LoadLineList(languageTable_, languagesDir + used + kLanguageFileExtension);
  languageInUse_ = used;
  ApplyLanguage();
}

std::optional<std::string> Program::OwnAutostartCaption() const {
  if (system_.AutostartIsWindowsRunValue()) return std::nullopt;
  return Caption(AddedCaption::kStartAtLoginBox);
}

void Program::ApplyLanguage() {
  // A short table changes nothing: applying it half-way would leave the mode selector without some
  // of its items.
  const int missing = FirstMissingCaptionIndex(languageTable_);
  if (missing >= 0) throw Error(ListIndexText(missing));
  for (const CaptionStep& step : CaptionSteps()) {
    const auto line = static_cast<std::size_t>(step.index);
    if (step.target != CaptionTarget::kModeItems) {
      const std::optional<std::string> own =
          step.target == CaptionTarget::kAutostartBox ? OwnAutostartCaption() : std::nullopt;
      view_.SetCaption(step.target, own.value_or(languageTable_[line]));
      continue;
    }
    const std::optional<Mode> mode = CurrentMode();
    std::array<std::string, kModeItemCount> items;
    std::copy_n(languageTable_.begin() + static_cast<std::ptrdiff_t>(line), kModeItemCount,
                items.begin());
    view_.SetModeItems(items);
    // New items leave the selector without a selection; selecting the mode again re-applies it.
    engine_.Policy().mode = std::nullopt;
    SelectMode(mode);
  }
  view_.AddedCaptionsChanged();
}

}  // namespace mervale
