#include "store/temporary_files.h"

#include <algorithm>

#include "store/data_files.h"

#ifdef _WIN32
#include <filesystem>
#include <system_error>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "store/system/linux/posix_path.h"
#endif

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

#ifndef _WIN32

// Every save holds its temporary file locked until it is renamed or removed; a lock to be had
// means its save has ended. The name must still lead to the file that was locked: a save that
// just finished may have renamed it away, and another may have taken the name since.
void RemoveIfAbandoned(int directory, const std::string& name) {
  Descriptor file(
      ::openat(directory, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  struct stat held {};
  if (!file.Valid() || ::fstat(file.Get(), &held) != 0 || !S_ISREG(held.st_mode)) return;
  if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0) return;
  struct stat named {};
  if (::fstatat(directory, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (named.st_dev == held.st_dev && named.st_ino == held.st_ino) {
    ::unlinkat(directory, name.c_str(), 0);
  }
}

#endif

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

#ifdef _WIN32

// A save still running holds its temporary file open without sharing, so removing it fails.
void RemoveAbandonedTemporaryFiles(const std::string& dataDir) {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::directory_iterator entry(fs::path(dataDir), error);
       !error && entry != fs::directory_iterator(); entry.increment(error)) {
    std::error_code ignored;
    if (IsDataTemporaryFileName(entry->path().filename().string()) &&
        entry->is_regular_file(ignored)) {
      fs::remove(entry->path(), ignored);
    }
  }
}

#else

void RemoveAbandonedTemporaryFiles(const std::string& dataDir) {
  PathEnd end;
  if (FollowPath(dataDir, LinkCheck::kTrustedOwners, end) != 0) return;
  Descriptor directory(::openat(end.directory.Get(), end.name.c_str(),
                                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info {};
  if (!directory.Valid() || ::fstat(directory.Get(), &info) != 0 || !TrustedOwner(info.st_uid)) {
    return;
  }
  // The names are gathered first: removing entries while the listing runs may skip others.
  std::vector<std::string> names;
  const int listed = ::dup(directory.Get());
  DIR* listing = listed < 0 ? nullptr : ::fdopendir(listed);
  if (listing == nullptr) {
    if (listed >= 0) ::close(listed);
    return;
  }
  while (const dirent* entry = ::readdir(listing)) {
    if (IsDataTemporaryFileName(entry->d_name)) names.emplace_back(entry->d_name);
  }
  ::closedir(listing);
  for (const std::string& name : names) RemoveIfAbandoned(directory.Get(), name);
}

#endif

}  // namespace mervale
