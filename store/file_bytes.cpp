#include "store/file_bytes.h"

#include <algorithm>
#include <memory>
#include <string>

#include "store/error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#endif

namespace mervale {

namespace {

[[noreturn]] void ThrowCannotOpen(const std::string& path, int code) {
  throw Error(CannotOpenFileText(path, SystemErrorText(code)));
}

[[noreturn]] void ThrowCannotCreate(const std::string& path, int code) {
  throw Error(CannotCreateFileText(path, SystemErrorText(code)));
}

// Enough attempts to step past names left by other writers without looping for ever.
constexpr int kTemporaryNameAttempts = 100;

#ifdef _WIN32

std::string TemporaryNameFor(const std::string& target, int attempt) {
  return target + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) +
         ".tmp";
}

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

class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target) : target_(target) {
    CheckReplaceable(target, targetExists_);
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      name_ = TemporaryNameFor(target, attempt);
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
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    file_->Close();
    if (!committed_) DeleteFileA(name_.c_str());
  }

  bool WriteAll(std::string_view bytes) {
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

  bool FlushAndClose() { return FlushFileBuffers(file_->Get()) && file_->Close(); }

  // ReplaceFile keeps the old file's attributes and security; a new file is simply moved in place.
  void RenameOverTarget() {
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

#else

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }
  bool Valid() const { return fd_ >= 0; }
  int Get() const { return fd_; }
  bool Close() {
    if (!Valid()) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
  }

 private:
  int fd_;
};

// A link stays a link: the file it leads to is the one replaced.
std::string FollowLink(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Renaming bypasses the file's own permissions, so they are checked here. Root passes access()
// for every file, yet a file without any write bit was plainly meant to stay as it is.
int ReplaceRefusal(const std::string& path, const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return EISDIR;
  if (!S_ISREG(info.st_mode)) return EINVAL;
  // A file removed since the stat is simply created anew.
  if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT) return errno;
  if (::geteuid() == 0 && (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return EACCES;
  return 0;
}

class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& path) : path_(path), target_(FollowLink(path)) {
    struct stat existing {};
    targetExists_ = ::stat(target_.c_str(), &existing) == 0;
    if (targetExists_) {
      if (const int refusal = ReplaceRefusal(target_, existing)) ThrowCannotCreate(path_, refusal);
    }
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      name_ = target_ + "." + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
      // A new file gets the mode the umask allows, as if it had been created directly.
      file_ = std::make_unique<Descriptor>(
          ::open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
      if (file_->Valid()) break;
      if (errno != EEXIST) ThrowCannotCreate(path_, errno);
    }
    if (!file_->Valid()) ThrowCannotCreate(path_, EEXIST);
    if (targetExists_) KeepOwnershipAndMode(existing);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    file_->Close();
    if (!committed_) ::unlink(name_.c_str());
  }

  bool WriteAll(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t written = ::write(file_->Get(), bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }

  bool FlushAndClose() { return ::fsync(file_->Get()) == 0 && file_->Close(); }

  void RenameOverTarget() {
    if (::rename(name_.c_str(), target_.c_str()) != 0) ThrowCannotCreate(path_, errno);
    committed_ = true;
    // The rename itself reaches the disk only with its directory.
    Descriptor directory(::open(DirectoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid()) ::fsync(directory.Get());
  }

 private:
  // Best effort: only root can hand the file back to another owner.
  void KeepOwnershipAndMode(const struct stat& existing) {
    if (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid()) {
      [[maybe_unused]] const int ignored = ::fchown(file_->Get(), existing.st_uid, existing.st_gid);
    }
    ::fchmod(file_->Get(), existing.st_mode & 07777);
  }

  std::string path_;  // as the caller named it, for the messages
  std::string target_;
  bool targetExists_ = false;
  std::string name_;
  std::unique_ptr<Descriptor> file_;
  bool committed_ = false;
};

#endif

}  // namespace

#ifdef _WIN32

std::string ReadFileBytes(const std::string& path) {
  Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) ThrowCannotOpen(path, static_cast<int>(GetLastError()));
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

#else

std::string ReadFileBytes(const std::string& path) {
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.Valid()) ThrowCannotOpen(path, errno);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t count = ::read(file.Get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) ThrowCannotOpen(path, errno);  // EISDIR for a directory of that name
    if (count == 0) return bytes;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
}

#endif

void ReplaceFileBytes(const std::string& path, std::string_view bytes) {
  TemporaryFile temporary(path);
  if (!temporary.WriteAll(bytes) || !temporary.FlushAndClose()) throw Error(kStreamWriteErrorText);
  temporary.RenameOverTarget();
}

}  // namespace mervale
