#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace mervale {

// The new file a save writes beside the one it replaces: written, flushed and renamed over it, or
// removed when it goes before the rename. Its constructor throws Error(CannotCreateFileText) when
// the target cannot be replaced or no new file can be created.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& target);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  bool WriteAll(std::string_view bytes);
  bool FlushAndClose();
  // Throws Error(CannotCreateFileText) when the rename fails.
  void RenameOverTarget();

 private:
  class Held;  // the open file and its target, as the system keeps them
  std::unique_ptr<Held> held_;
};

// Enough attempts to step past names left by other writers without looping for ever.
inline constexpr int kTemporaryNameAttempts = 100;

}  // namespace mervale
