// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>

namespace mervale {

// The file a save writes and flushes before it renames it over `file` (a name or a whole path):
// `file` + "." + the saving process's id + "-" + the attempt + ".tmp".
std::string TemporaryFileName(const std::string& file, unsigned long processId, int attempt);

// True for a name that TemporaryFileName gives one of the data directory's own files.
bool IsDataTemporaryFileName(std::string_view name);

// A save that was killed leaves its temporary file behind. This removes, in the data directory
// only, the regular files so named that no running save holds; nothing else is touched, and a
// directory that is not the user's own (or root's) is left alone entirely.
void RemoveAbandonedTemporaryFiles(const std::string& dataDir);

}  // namespace mervale
