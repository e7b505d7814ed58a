// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/sysfs_topology.h"

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <system_error>
#include <utility>

#include "store/integer_text.h"

namespace mervale {

namespace fs = std::filesystem;

namespace {

// Every file read here is a line or two; a larger one is not what it claims to be.
constexpr std::streamsize kMaxFileSize = 64 * 1024;

std::optional<std::string> ReadSmallFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  std::string text(kMaxFileSize + 1, '\0');
  file.read(text.data(), kMaxFileSize + 1);
  if (file.bad() || file.gcount() > kMaxFileSize) return {};
  text.resize(static_cast<std::size_t>(file.gcount()));
  return text;
}

std::optional<CpuNumbers> ReadCpuList(const fs::path& path) {
  const auto text = ReadSmallFile(path);
  return text ? ParseCpuList(*text) : std::nullopt;
}

// The number after `prefix` in a directory name such as "node1" or "index3".
std::optional<unsigned> NumberAfter(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return {};
  return ParseDecimal(name.substr(prefix.size()));
}

// The numbered subdirectories `prefix`N of `dir`, by N.
std::vector<std::pair<unsigned, fs::path>> NumberedDirectories(const fs::path& dir,
                                                               std::string_view prefix) {
  std::vector<std::pair<unsigned, fs::path>> found;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    if (const auto number = NumberAfter(it->path().filename().string(), prefix)) {
      found.emplace_back(*number, it->path());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string FirstWord(std::optional<std::string> text) {
  if (!text) return {};
  return text->substr(0, text->find_first_of(" \r\n"));
}

// The CPUs that share the cache of the highest level this CPU has for data (instruction caches
// sit beside the data caches of their level and are never the last level).
std::optional<CpuNumbers> LastLevelCache(const fs::path& cpuDir) {
  std::optional<CpuNumbers> shared;
  unsigned highest = 0;
  for (const auto& [index, dir] : NumberedDirectories(cpuDir / "cache", "index")) {
    if (FirstWord(ReadSmallFile(dir / "type")) == "Instruction") continue;
    const auto level = ParseDecimal(FirstWord(ReadSmallFile(dir / "level")));
    if (!level || *level < highest) continue;
    if (auto cpus = ReadCpuList(dir / "shared_cpu_list")) {
      highest = *level;
      shared = std::move(cpus);
    }
  }
  return shared;
}

// One group per CPU, read from the file `read` finds for it, skipping CPUs that an earlier group
// already named (siblings list the same group).
template <typename ReadGroup>
std::vector<CpuNumbers> GroupsByCpu(const CpuNumbers& online, const fs::path& cpuRoot,
                                    ReadGroup read) {
  std::vector<CpuNumbers> groups;
  std::set<unsigned> named;
  for (const unsigned cpu : online) {
    if (named.contains(cpu)) continue;
    auto group = read(cpuRoot / ("cpu" + std::to_string(cpu)));
    if (!group) continue;
    named.insert(group->begin(), group->end());
    groups.push_back(std::move(*group));
  }
  return groups;
}

}  // namespace

std::optional<CpuTopology> ReadSysfsTopology(const fs::path& root) {
  const fs::path devices = root / "sys/devices";
  const fs::path cpuRoot = devices / "system/cpu";
  auto online = ReadCpuList(cpuRoot / "online");
  if (!online || online->empty()) return {};

  CpuTopology found;
  found.online = std::move(*online);
  found.cores = GroupsByCpu(found.online, cpuRoot, [](const fs::path& cpuDir) {
    auto threads = ReadCpuList(cpuDir / "topology/core_cpus_list");
    return threads ? threads : ReadCpuList(cpuDir / "topology/thread_siblings_list");
  });
  found.cacheDomains = GroupsByCpu(found.online, cpuRoot, LastLevelCache);
  found.performanceCpus = ReadCpuList(devices / "cpu_core/cpus").value_or(CpuNumbers{});
  found.efficiencyCpus = ReadCpuList(devices / "cpu_atom/cpus").value_or(CpuNumbers{});
  for (const auto& [number, dir] : NumberedDirectories(devices / "system/node", "node")) {
    if (auto cpus = ReadCpuList(dir / "cpulist")) found.numaNodes.push_back(std::move(*cpus));
  }
  return MakeTopology(std::move(found));
}

}  // namespace mervale
