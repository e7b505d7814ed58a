// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Following a path the way the kernel does, one component at a time through held directories, so
// that the program can judge every link on the way by its owner. Data directories may sit where
// another user can write (root started with a user's environment): a link planted there must not
// lead the program's saves, or its reads as root, to a file of the link owner's choosing.
#include <sys/types.h>

#include <string>

namespace mervale {

// A file descriptor, closed with its owner.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  // True when there was nothing to close or it closed cleanly.
  bool Close();

 private:
  int fd_ = -1;
};

// The user the program runs as, and root, who can change any file anyway.
bool TrustedOwner(uid_t owner);

enum class LinkCheck {
  kAnyOwner,       // every link is followed
  kTrustedOwners,  // a link whose owner is not trusted ends the walk with EPERM
};

// Where a path leads: the directory that holds its last component, held open so that a rename
// elsewhere cannot redirect what is done there, and that component's name. The name is no link:
// links are followed wherever they stand, the last component's too; it may name nothing yet.
struct PathEnd {
  Descriptor directory;
  std::string name;
};

// Walks `path` from "/" or from the current directory. Returns 0 with `end` filled, or the errno of
// the walk: ENOENT for a missing directory on the way, ELOOP after too many links, EPERM for an
// untrusted link.
int FollowPath(const std::string& path, LinkCheck check, PathEnd& end);

}  // namespace mervale
