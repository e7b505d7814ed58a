// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

namespace mervale {

// A lock that only one running process can hold under `name` and that the system lets go of when
// its holder ends, however it ends: a crash leaves nothing behind that a later start must clear.
// On Linux `name` is the path of a lock file; on Windows the name of a session-wide mutex.
class InstanceLock {
 public:
  explicit InstanceLock(const std::string& name);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Whether another running process holds the lock. A lock that could not be tried at all (no
  // place to keep it) counts as free: then nothing can tell two instances apart.
  bool HeldElsewhere() const { return heldElsewhere_; }

 private:
  bool heldElsewhere_ = false;
#ifdef _WIN32
  void* mutex_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace mervale
