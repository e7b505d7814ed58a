// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace mervale {

// The new file a save writes beside the one it replaces: written, flushed and renamed over it, or
// removed when it goes before the rename.
class TemporaryFile {
 public:
  virtual ~TemporaryFile() = default;

  virtual bool WriteAll(std::string_view bytes) = 0;
  virtual bool FlushAndClose() = 0;
  // Throws Error(CannotCreateFileText) when the rename fails.
  virtual void RenameOverTarget() = 0;
};

// Creates the temporary file for a save to `target`, the way the system does it; throws
// Error(CannotCreateFileText) when the target cannot be replaced or no new file can be created.
std::unique_ptr<TemporaryFile> NewTemporaryFile(const std::string& target);

// Enough attempts to step past names left by other writers without looping for ever.
inline constexpr int kTemporaryNameAttempts = 100;

}  // namespace mervale
