// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>

namespace mervale {

// The whole content of the file; throws Error(CannotOpenFileText) when it cannot be read. Others
// may read the file meanwhile but not write it, where the platform can enforce that.
std::string ReadFileBytes(const std::string& path);

// Makes `bytes` the file's whole content. They are written to a new file beside it, flushed to disk
// and renamed over the old one, which keeps its permissions; on any failure the old file stays as
// it was and nothing is left behind. Throws Error(CannotCreateFileText) when the file cannot be
// created or replaced (missing directory, read-only file, a directory of that name) and
// Error(kStreamWriteErrorText) when not every byte reached the disk.
void ReplaceFileBytes(const std::string& path, std::string_view bytes);

}  // namespace mervale
