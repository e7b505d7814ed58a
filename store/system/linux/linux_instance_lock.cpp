// SPDX-License-Identifier: GPL-3.0-or-later

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "store/system/instance_lock.h"

namespace mervale {
namespace {

class LockFile : public InstanceLock {
 public:
  explicit LockFile(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    // flock belongs to the open file, so the kernel drops it with the last descriptor: no PID is
    // kept that could outlive its process or mean another one in a different PID namespace.
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
    heldElsewhere_ = errno == EWOULDBLOCK;
    close(fd_);
    fd_ = -1;
  }
  ~LockFile() override {
    if (fd_ >= 0) close(fd_);
  }
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  bool HeldElsewhere() const override { return heldElsewhere_; }

 private:
  int fd_ = -1;
  bool heldElsewhere_ = false;
};

}  // namespace

std::unique_ptr<InstanceLock> TakeInstanceLock(const std::string& name) {
  return std::make_unique<LockFile>(name);
}

}  // namespace mervale
