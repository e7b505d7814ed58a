// SPDX-License-Identifier: GPL-3.0-or-later

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "store/system/linux/posix_path.h"
#include "store/temporary_files.h"

namespace mervale {
namespace {

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

}  // namespace

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

}  // namespace mervale
