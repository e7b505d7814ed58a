// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/linux/posix_path.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <deque>
#include <string_view>

namespace mervale {
namespace {

// The kernel's own limit on links in one lookup.
constexpr int kMaxLinks = 40;

// The names between the slashes; "." stays where it is and so is dropped.
std::deque<std::string> Components(std::string_view path) {
  std::deque<std::string> names;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view name = path.substr(0, slash);
    if (!name.empty() && name != ".") names.emplace_back(name);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return names;
}

Descriptor OpenStart(std::string_view path) {
  return Descriptor(::open(path.starts_with('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

// The link's target; 0 or errno.
int ReadLink(int directory, const std::string& name, std::string& target) {
  std::array<char, PATH_MAX> buffer{};
  const ssize_t length = ::readlinkat(directory, name.c_str(), buffer.data(), buffer.size());
  if (length < 0) return errno;
  if (static_cast<std::size_t>(length) == buffer.size()) return ENAMETOOLONG;
  target.assign(buffer.data(), static_cast<std::size_t>(length));
  return 0;
}

}  // namespace

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool Descriptor::Close() {
  if (!Valid()) return true;
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0;
}

bool TrustedOwner(uid_t owner) {
  return owner == ::geteuid() || owner == 0;
}

int FollowPath(const std::string& path, LinkCheck check, PathEnd& end) {
  if (path.empty()) return ENOENT;
  if (path.size() >= PATH_MAX) return ENAMETOOLONG;
  std::deque<std::string> pending = Components(path);
  Descriptor directory = OpenStart(path);
  if (!directory.Valid()) return errno;
  int linksFollowed = 0;
  while (!pending.empty()) {
    std::string name = std::move(pending.front());
    pending.pop_front();
    struct stat info {};
    if (::fstatat(directory.Get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      // Only the last component may be missing: it is the file a save creates.
      if (errno != ENOENT || !pending.empty()) return errno;
      info.st_mode = 0;
    }
    if (S_ISLNK(info.st_mode)) {
      if (check == LinkCheck::kTrustedOwners && !TrustedOwner(info.st_uid)) return EPERM;
      if (++linksFollowed > kMaxLinks) return ELOOP;
      std::string target;
      if (const int error = ReadLink(directory.Get(), name, target)) return error;
      std::deque<std::string> targetNames = Components(target);
      pending.insert(pending.begin(), targetNames.begin(), targetNames.end());
      if (target.starts_with('/')) directory = OpenStart(target);
      if (!directory.Valid()) return errno;
      continue;
    }
    if (pending.empty()) {
      end = PathEnd{std::move(directory), std::move(name)};
      return 0;
    }
    // O_NOFOLLOW: a directory swapped for a link since the look above is refused, not followed.
    Descriptor next(
        ::openat(directory.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.Valid()) return errno;
    directory = std::move(next);
  }
  // The path, or the last link, was "/" itself.
  return EISDIR;
}

}  // namespace mervale
