// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <vector>

#include "store/system/instance_lock.h"

namespace mervale {
namespace {

class SessionMutex : public InstanceLock {
 public:
  explicit SessionMutex(const std::string& name) {
    const std::string qualified = "Local\\" + name;
    std::vector<wchar_t> wide(qualified.size() + 1);
    MultiByteToWideChar(CP_UTF8, 0, qualified.c_str(), -1, wide.data(),
                        static_cast<int>(wide.size()));
    mutex_ = CreateMutexW(nullptr, FALSE, wide.data());
    heldElsewhere_ = mutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
  }
  ~SessionMutex() override {
    if (mutex_ != nullptr) CloseHandle(mutex_);
  }
  SessionMutex(const SessionMutex&) = delete;
  SessionMutex& operator=(const SessionMutex&) = delete;

  bool HeldElsewhere() const override { return heldElsewhere_; }

 private:
  HANDLE mutex_ = nullptr;
  bool heldElsewhere_ = false;
};

}  // namespace

std::unique_ptr<InstanceLock> TakeInstanceLock(const std::string& name) {
  return std::make_unique<SessionMutex>(name);
}

}  // namespace mervale
