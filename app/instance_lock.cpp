// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/instance_lock.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace mervale {

#ifdef _WIN32

InstanceLock::InstanceLock(const std::string& name) {
  const std::string qualified = "Local\\" + name;
  std::vector<wchar_t> wide(qualified.size() + 1);
  MultiByteToWideChar(CP_UTF8, 0, qualified.c_str(), -1, wide.data(),
                      static_cast<int>(wide.size()));
  mutex_ = CreateMutexW(nullptr, FALSE, wide.data());
  heldElsewhere_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

InstanceLock::~InstanceLock() {
  if (mutex_ != nullptr) CloseHandle(mutex_);
}

#else

InstanceLock::InstanceLock(const std::string& name) {
  fd_ = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
  // flock belongs to the open file, so the kernel drops it with the last descriptor: no PID is
  // kept that could outlive its process or mean another one in a different PID namespace.
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
  heldElsewhere_ = errno == EWOULDBLOCK;
  close(fd_);
  fd_ = -1;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

#endif

}  // namespace mervale
