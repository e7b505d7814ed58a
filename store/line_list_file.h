// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

#include "store/line_list.h"

namespace mervale {

// Replaces `list` with the file's lines; throws Error (the open text) and leaves `list` as it was
// when the file cannot be read.
void LoadLineList(LineList& list, const std::string& path);
// Replaces the file with the lines. The new content is written beside it and renamed over it, so a
// failed save leaves the previous file intact. Throws Error with the create or stream-write text.
void SaveLineList(const LineList& list, const std::string& path);

// True only for an existing regular file; a directory of that name counts as absent.
bool FileExists(const std::string& path);

}  // namespace mervale
