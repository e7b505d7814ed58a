// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// File-system faults that need an administrator: small and read-only file systems, immutable
// files. Everything is mounted in a mount namespace of the test process's own, so nothing is ever
// seen outside it and all of it goes away with the process.
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <string>
#include <utility>

namespace mervale::testing {

// Moves this process into a mount namespace of its own, once; 0 on success, else the errno that
// prevented it (EPERM without administrator rights). Mounts do not propagate back: the whole tree
// is made private first.
inline int EnterPrivateMountNamespace() {
  static const int result = [] {
    if (::unshare(CLONE_NEWNS) != 0) return errno;
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return errno;
    return 0;
  }();
  return result;
}

// A memory file system of `bytes` mounted over `directory` while the object lives; what the
// directory held is hidden meanwhile and back afterwards.
class TmpfsMount {
 public:
  TmpfsMount(std::string directory, std::size_t bytes) : directory_(std::move(directory)) {
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
    if (::mount("tmpfs", directory_.c_str(), "tmpfs", 0, options.c_str()) != 0) error_ = errno;
  }
  TmpfsMount(const TmpfsMount&) = delete;
  TmpfsMount& operator=(const TmpfsMount&) = delete;
  ~TmpfsMount() {
    if (error_ == 0) ::umount2(directory_.c_str(), MNT_DETACH);
  }
  // 0 when mounted, else the errno of the mount.
  int Error() const { return error_; }
  // 0 on success, else errno.
  int RemountReadOnly() {
    return ::mount(nullptr, directory_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0
               ? 0
               : errno;
  }

 private:
  std::string directory_;
  int error_ = 0;
};

// chattr +i / -i: an immutable file cannot be changed, replaced or removed, and nothing can be
// added to an immutable directory, not even by root. 0 on success, else errno (ENOTTY or
// EOPNOTSUPP where the file system has no such attribute).
inline int SetImmutable(const std::string& path, bool immutable) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  int flags = 0;
  int result = ::ioctl(fd, FS_IOC_GETFLAGS, &flags);
  if (result == 0) {
    flags = immutable ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    result = ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
  }
  const int error = result == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

// Writes `path` until the file system holding it has no byte left; true when it ended full.
inline bool FillUp(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string block(4096, 'f');
  bool full = false;
  for (;;) {
    if (::write(fd, block.data(), block.size()) < 0) {
      full = errno == ENOSPC;
      break;
    }
  }
  // The last partial page: single bytes until nothing more fits.
  while (full && ::write(fd, "f", 1) == 1) {
  }
  ::close(fd);
  return full;
}

}  // namespace mervale::testing
