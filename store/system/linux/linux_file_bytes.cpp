// SPDX-License-Identifier: GPL-3.0-or-later

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

#include "store/error.h"
#include "store/file_bytes.h"
#include "store/system/linux/posix_path.h"
#include "store/system/temporary_file.h"
#include "store/temporary_files.h"

namespace mervale {
namespace {

// The saved file's directory, where the temporary file is written and renamed, must belong to the
// user or to root, and so must every link on the way to it: otherwise whoever owns them chooses
// the file that is replaced.
PathEnd SaveTarget(const std::string& path) {
  PathEnd end;
  if (const int error = FollowPath(path, LinkCheck::kTrustedOwners, end)) {
    ThrowCannotCreate(path, error);
  }
  struct stat directory {};
  if (::fstat(end.directory.Get(), &directory) != 0) ThrowCannotCreate(path, errno);
  if (!TrustedOwner(directory.st_uid)) ThrowCannotCreate(path, EPERM);
  return end;
}

// Renaming bypasses the file's own permissions, so they are checked here. Root passes access()
// for every file, yet a file without any write bit was plainly meant to stay as it is.
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

class LinuxTemporaryFile final : public TemporaryFile {
 public:
  explicit LinuxTemporaryFile(const std::string& path) : path_(path), target_(SaveTarget(path)) {
    struct stat existing {};
    targetExists_ =
        ::fstatat(Directory(), target_.name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (targetExists_) {
      if (const int refusal = ReplaceRefusal(target_, existing)) ThrowCannotCreate(path_, refusal);
    }
    for (int attempt = 0; attempt < kTemporaryNameAttempts && !file_.Valid(); ++attempt) {
      name_ = TemporaryFileName(target_.name, static_cast<unsigned long>(::getpid()), attempt);
      // A new file gets the mode the umask allows, as if it had been created directly.
      file_ = Descriptor(::openat(Directory(), name_.c_str(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
      if (!file_.Valid() && errno != EEXIST) ThrowCannotCreate(path_, errno);
      if (file_.Valid() && !HoldLocked()) file_.Close();
    }
    if (!file_.Valid()) ThrowCannotCreate(path_, EEXIST);
    if (targetExists_) KeepOwnershipAndMode(existing);
  }
  LinuxTemporaryFile(const LinuxTemporaryFile&) = delete;
  LinuxTemporaryFile& operator=(const LinuxTemporaryFile&) = delete;
  ~LinuxTemporaryFile() override {
    file_.Close();
    if (!committed_) ::unlinkat(Directory(), name_.c_str(), 0);
  }

  bool WriteAll(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t written = ::write(file_.Get(), bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }

  bool FlushAndClose() override { return ::fsync(file_.Get()) == 0 && file_.Close(); }

  void RenameOverTarget() override {
    if (::renameat(Directory(), name_.c_str(), Directory(), target_.name.c_str()) != 0) {
      ThrowCannotCreate(path_, errno);
    }
    committed_ = true;
    // The rename itself reaches the disk only with its directory.
    Descriptor directory(::openat(Directory(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid()) ::fsync(directory.Get());
  }

 private:
  int Directory() const { return target_.directory.Get(); }

  // The lock tells the start-up clean-up of another instance that this save is running. Between
  // the creation and the lock that clean-up may have taken the file: then it is no longer linked,
  // and the next name is tried. A file system without locks is saved to all the same (the
  // clean-up cannot lock there either, so it takes nothing).
  bool HoldLocked() {
    ::flock(file_.Get(), LOCK_EX);
    struct stat info {};
    return ::fstat(file_.Get(), &info) != 0 || info.st_nlink > 0;
  }

  // Best effort: only root can hand the file back to another owner.
  void KeepOwnershipAndMode(const struct stat& existing) {
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(file_.Get(), existing.st_uid, existing.st_gid);
    }
    ::fchmod(file_.Get(), existing.st_mode & 07777);
  }

  std::string path_;  // as the caller named it, for the messages
  PathEnd target_;
  bool targetExists_ = false;
  std::string name_;
  Descriptor file_;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<TemporaryFile> NewTemporaryFile(const std::string& target) {
  return std::make_unique<LinuxTemporaryFile>(target);
}

namespace {

// Only a regular file is read: a FIFO or a device could block the program for good or never end.
// The type is looked at before the open, so no device is ever opened, and again on the open file,
// which O_NONBLOCK keeps from waiting for a writer meanwhile.
int ReadRefusal(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return EISDIR;
  return S_ISREG(info.st_mode) ? 0 : EINVAL;
}

}  // namespace

std::string ReadFileBytes(const std::string& path) {
  // Root reads through a link only when root set it: another user's link could show root's files.
  const LinkCheck check = ::geteuid() == 0 ? LinkCheck::kTrustedOwners : LinkCheck::kAnyOwner;
  PathEnd end;
  if (const int error = FollowPath(path, check, end)) ThrowCannotOpen(path, error);
  struct stat info {};
  if (::fstatat(end.directory.Get(), end.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    ThrowCannotOpen(path, errno);
  }
  if (const int refusal = ReadRefusal(info)) ThrowCannotOpen(path, refusal);
  Descriptor file(::openat(end.directory.Get(), end.name.c_str(),
                           O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  if (!file.Valid()) ThrowCannotOpen(path, errno);
  if (::fstat(file.Get(), &info) != 0) ThrowCannotOpen(path, errno);
  if (const int refusal = ReadRefusal(info)) ThrowCannotOpen(path, refusal);

  // Read straight into a buffer of the file's size, with one byte more to see its end at once: no
  // copy, and no growth unless the file grows meanwhile.
  std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(std::max<std::size_t>(bytes.size() * 2, 65536));
    const ssize_t count = ::read(file.Get(), bytes.data() + filled, bytes.size() - filled);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) ThrowCannotOpen(path, errno);
    if (count == 0) break;
    filled += static_cast<std::size_t>(count);
  }
  bytes.resize(filled);
  return bytes;
}

}  // namespace mervale
