// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <string>

#include "store/error.h"
#include "store/file_bytes.h"

namespace mervale {
namespace {

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    if (!Valid()) return true;
    const BOOL closed = CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed != FALSE;
  }

 private:
  HANDLE handle_;
};

}  // namespace

std::string ReadFileBytes(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) ThrowCannotOpen(path, static_cast<int>(GetLastError()));
  // Only a file on disk is read: a device name such as CON would wait for input for good.
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) ThrowCannotOpen(path, ERROR_INVALID_PARAMETER);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &count, nullptr)) {
      ThrowCannotOpen(path, static_cast<int>(GetLastError()));
    }
    if (count == 0) return bytes;
    bytes.append(buffer, count);
  }
}

}  // namespace mervale
