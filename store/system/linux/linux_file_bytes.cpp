// SPDX-License-Identifier: GPL-3.0-or-later

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "store/error.h"
#include "store/file_bytes.h"
#include "store/system/linux/posix_path.h"

namespace mervale {
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
