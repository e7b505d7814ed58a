// SPDX-License-Identifier: GPL-3.0-or-later

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "store/error.h"
#include "store/system/linux/posix_path.h"
#include "store/system/save_target.h"

namespace mervale {

// QSaveFile writes through a link at the name it is given, and finds the directory by its path. It
// is given instead the directory this program walked to and holds, by its /proc/self/fd name, and
// a name there that is no link: a rename of a directory on the way, or a link planted there, cannot
// lead the save elsewhere.
struct SaveTarget::Held {
  PathEnd end;
  struct stat existing {};
  bool exists = false;
  std::string savePath;
};

namespace {

// The saved file's directory must belong to the user or to root, and so must every link on the way
// to it: otherwise whoever owns them chooses the file that is replaced. A directory everyone may
// write to is refused too: anyone could plant a link there between this check and QSaveFile's.
void CheckDirectory(const std::string& path, PathEnd& end) {
  if (const int error = FollowPath(path, LinkCheck::kTrustedOwners, end)) {
    ThrowCannotCreate(path, error);
  }
  struct stat directory {};
  if (::fstat(end.directory.Get(), &directory) != 0) ThrowCannotCreate(path, errno);
  if (!TrustedOwner(directory.st_uid) || (directory.st_mode & S_IWOTH) != 0) {
    ThrowCannotCreate(path, EPERM);
  }
}

// Renaming bypasses the file's own permissions, so they are checked here. Root passes access()
// for every file, yet a file without any write bit was plainly meant to stay as it is. A FIFO or a
// device is not replaced by a file either.
int ReplaceRefusal(const PathEnd& target, const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return EINVAL;
  // A file removed since the stat is simply created anew.
  if (::faccessat(target.directory.Get(), target.name.c_str(), W_OK, AT_EACCESS) != 0 &&
      errno != ENOENT) {
    return errno;
  }
  if (::geteuid() == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return 0;
}

}  // namespace

SaveTarget::SaveTarget(const std::string& path) : held_(std::make_unique<Held>()) {
  CheckDirectory(path, held_->end);
  const int directory = held_->end.directory.Get();
  held_->exists =
      ::fstatat(directory, held_->end.name.c_str(), &held_->existing, AT_SYMLINK_NOFOLLOW) == 0;
  if (held_->exists) {
    if (const int refusal = ReplaceRefusal(held_->end, held_->existing)) {
      ThrowCannotCreate(path, refusal);
    }
  }
  held_->savePath = "/proc/self/fd/" + std::to_string(directory) + "/" + held_->end.name;
}

SaveTarget::~SaveTarget() = default;

const std::string& SaveTarget::SavePath() const {
  return held_->savePath;
}

// Best effort: only root can hand the file back to another owner.
void SaveTarget::Adopt(int handle) const {
  if (!held_->exists) return;
  const struct stat& existing = held_->existing;
  if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
    [[maybe_unused]] const int ignored = ::fchown(handle, existing.st_uid, existing.st_gid);
  }
}

// The directory is held only as a path; fsync needs it open.
void SaveTarget::Settle() const {
  const Descriptor directory(
      ::openat(held_->end.directory.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Valid()) ::fsync(directory.Get());
}

int SaveTarget::LastError() {
  return errno;
}

}  // namespace mervale
