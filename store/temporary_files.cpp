// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/temporary_files.h"

#include <algorithm>

#include "store/data_files.h"

namespace mervale {
namespace {

constexpr std::string_view kTemporarySuffix = ".tmp";

bool IsDigits(std::string_view text) {
  return !text.empty() && std::ranges::all_of(text, [](char character) {
    return character >= '0' && character <= '9';
  });
}

// Drops a trailing `separator` and the decimal number behind it; false when there is none.
bool DropNumber(std::string_view& name, char separator) {
  const std::size_t at = name.rfind(separator);
  if (at == std::string_view::npos || !IsDigits(name.substr(at + 1))) return false;
  name = name.substr(0, at);
  return true;
}

// The files the program saves in its data directory; profiles are named by any index, as a
// malformed settings line can give them.
bool IsDataFileName(std::string_view name) {
  if (name == SettingsFileName("") || name == LanguageChoiceFileName("") ||
      name == ExclusionFileName("")) {
    return true;
  }
  const std::string profilePrefix = ProfileFileName("", "");  // "CPU1_.lst" around the index
  const std::string_view prefix =
      std::string_view(profilePrefix).substr(0, profilePrefix.find('.'));
  const std::string_view suffix = std::string_view(profilePrefix).substr(prefix.size());
  if (!name.starts_with(prefix) || !name.ends_with(suffix)) return false;
  std::string_view index = name.substr(prefix.size());
  index.remove_suffix(suffix.size());
  if (index.starts_with('-')) index.remove_prefix(1);
  return IsDigits(index);
}

}  // namespace

std::string TemporaryFileName(const std::string& file, unsigned long processId, int attempt) {
  return file + "." + std::to_string(processId) + "-" + std::to_string(attempt) +
         std::string(kTemporarySuffix);
}

bool IsDataTemporaryFileName(std::string_view name) {
  if (!name.ends_with(kTemporarySuffix)) return false;
  name.remove_suffix(kTemporarySuffix.size());
  return DropNumber(name, '-') && DropNumber(name, '.') && IsDataFileName(name);
}

}  // namespace mervale
