// SPDX-License-Identifier: GPL-3.0-or-later

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "store/error.h"
#include "store/file_bytes.h"
#include "store/system/temporary_file.h"
#include "store/temporary_files.h"

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

// A directory, or a file the user marked read-only, is never replaced.
void CheckReplaceable(const std::string& path, bool& exists) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    ThrowCannotCreate(path, ERROR_ACCESS_DENIED);
  }
}

class Win32TemporaryFile final : public TemporaryFile {
 public:
  explicit Win32TemporaryFile(const std::string& target) : target_(target) {
    CheckReplaceable(target, targetExists_);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      name_ = TemporaryFileName(target, GetCurrentProcessId(), attempt);
      HANDLE handle = CreateFileA(name_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        file_ = std::make_unique<Handle>(handle);
        return;
      }
      const DWORD code = GetLastError();
      if (code != ERROR_FILE_EXISTS) ThrowCannotCreate(target, static_cast<int>(code));
    }
    ThrowCannotCreate(target, ERROR_FILE_EXISTS);
  }
  Win32TemporaryFile(const Win32TemporaryFile&) = delete;
  Win32TemporaryFile& operator=(const Win32TemporaryFile&) = delete;
  ~Win32TemporaryFile() override {
    file_->Close();
    if (!committed_) DeleteFileA(name_.c_str());
  }

  bool WriteAll(std::string_view bytes) override {
    while (!bytes.empty()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_->Get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  bool FlushAndClose() override { return FlushFileBuffers(file_->Get()) && file_->Close(); }

  // ReplaceFile keeps the old file's attributes and security; a new file is simply moved in place.
  void RenameOverTarget() override {
    const BOOL moved = targetExists_
                           ? ReplaceFileA(target_.c_str(), name_.c_str(), nullptr,
                                          REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                           : MoveFileExA(name_.c_str(), target_.c_str(),
                                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!moved) ThrowCannotCreate(target_, static_cast<int>(GetLastError()));
    committed_ = true;
  }

 private:
  std::string target_;
  bool targetExists_ = false;
  std::string name_;
  std::unique_ptr<Handle> file_;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<TemporaryFile> NewTemporaryFile(const std::string& target) {
  return std::make_unique<Win32TemporaryFile>(target);
}

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
