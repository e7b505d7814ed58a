// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>
#include <string>

namespace mervale {

// A lock that only one running process can hold under its name and that the system lets go of
// when its holder ends, however it ends: a crash leaves nothing behind that a later start must
// clear. The lock is held as long as this object lives.
class InstanceLock {
 public:
  virtual ~InstanceLock() = default;

  // Whether another running process holds the lock. A lock that could not be tried at all (no
  // place to keep it) counts as free: then nothing can tell two instances apart.
  virtual bool HeldElsewhere() const = 0;
};

// Tries the lock under `name`: on Linux the path of a lock file, on Windows the name of a
// session-wide mutex.
std::unique_ptr<InstanceLock> TakeInstanceLock(const std::string& name);

}  // namespace mervale
