// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <dirent.h>

#include <charconv>
#include <string_view>

namespace mervale {

// Calls `visit` with each numeric entry of a directory (PIDs in /proc, thread ids in a task
// directory), read through the C library's readdir as any program would: the floors of the
// benchmarks do what the simplest pass has to do.
template <typename Visit>
void ForEachNumericEntry(const char* directory, Visit&& visit) {
  DIR* listing = opendir(directory);
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    int id = 0;
    const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (error == std::errc{} && end == name.data() + name.size()) visit(id);
  }
  closedir(listing);
}

}  // namespace mervale
