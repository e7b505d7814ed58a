// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// Every listed PID with the name the platform gives it; empty when nothing can be listed.
inline std::vector<std::pair<Pid, std::string>> ListedNames(ProcessPlatform& platform) {
  std::vector<std::pair<Pid, std::string>> entries;
  std::vector<Pid> pids;
  if (platform.ListPids(pids) != 0) return entries;
  for (const Pid pid : pids) entries.emplace_back(pid, platform.ProcessName(pid));
  return entries;
}

}  // namespace mervale
