// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_list_text.h"

#include <algorithm>
#include <tuple>

namespace mervale {
namespace {

// Past this many CPUs a list of them is split by the machine's parts; also the length of a run.
constexpr std::size_t kCpusPerGroup = 16;
// A caption names its CPUs in at most about this many characters; its tooltip names them all.
constexpr std::size_t kCaptionListLength = 24;
// A tooltip line per core reads well up to this many cores.
constexpr std::size_t kMostCoreLines = 16;
// Tooltip lines of a bare list wrap after about this many bytes.
constexpr std::size_t kToolTipLineLength = 64;

CpuSet Intersection(const CpuSet& a, const CpuNumbers& b) {
  CpuSet both;
  for (const unsigned cpu : b) {
    if (a.Contains(cpu)) both.Add(cpu);
  }
  return both;
}

// The list broken after a comma wherever a line would grow past `lineLength`.
std::string Wrapped(const std::string& list, std::size_t lineLength) {
  std::string text;
  std::size_t lineStart = 0;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t comma = std::min(list.find(',', at), list.size());
    if (at > lineStart && comma - lineStart > lineLength) {
      text += '\n';
      lineStart = at;
    }
    text.append(list, at, comma + 1 - at);
    at = comma + 1;
  }
  return text;
}

// Cache sizes as processor makers give them, in binary units: "96 MB", "512 KB".
std::string SizeText(std::uint64_t bytes) {
  constexpr std::uint64_t kKiB = 1024;
  if (bytes >= kKiB * kKiB) return std::to_string(bytes / (kKiB * kKiB)) + " MB";
  return std::to_string(bytes / kKiB) + " KB";
}

}  // namespace

std::string CompactCpuList(const CpuSet& set) {
  std::string list;
  for (std::optional<std::size_t> first = set.FirstFrom(0); first;) {
    std::size_t last = *first;
    while (set.Contains(last + 1)) ++last;
    if (!list.empty()) list += ',';
    list += std::to_string(*first + 1);
    if (last > *first) list += "\u2013" + std::to_string(last + 1);
    first = set.FirstFrom(last + 1);
  }
  return list.empty() ? "-" : list;
}

std::string ShortCpuList(const CpuSet& set, std::size_t maxLength) {
  std::string list = CompactCpuList(set);
  if (list.size() <= maxLength) return list;
  list.resize(list.rfind(',', maxLength) + 1);
  return list + "\u2026";
}

std::vector<CpuGroup> CpuGroupsOf(const CpuTopology& topology, const CpuSet& online,
                                  const CaptionOf& caption) {
  std::vector<CpuGroup> groups;
  const std::vector<std::uint64_t> noSizes(topology.numaNodes.size());
  const std::vector<std::uint64_t> cacheSizes = LargerCacheBytes(topology);
  for (const auto& [parts, sizes, name] :
       {std::tuple{&topology.numaNodes, &noSizes, AddedCaption::kNumaNodeItem},
        {&topology.cacheDomains, &cacheSizes, AddedCaption::kCacheDomainItem}}) {
    for (std::size_t i = 0; i < parts->size(); ++i) {
      if (CpuSet cpus = Intersection(online, (*parts)[i]); !cpus.Empty()) {
        const int number = static_cast<int>(groups.size() + 1);
        groups.push_back({WithNumber(caption(name), number), std::move(cpus), (*sizes)[i]});
      }
    }
    if (groups.size() > 1) return groups;
    groups.clear();
  }
  const std::vector<unsigned> cpus = online.Numbers();
  for (std::size_t first = 0; first < cpus.size(); first += kCpusPerGroup) {
    const std::size_t end = std::min(first + kCpusPerGroup, cpus.size());
    const CpuSet run = CpuSet::FromNumbers(std::span(cpus).subspan(first, end - first));
    groups.push_back({"", run});
  }
  return groups;
}

std::vector<std::uint64_t> LargerCacheBytes(const CpuTopology& topology) {
  std::vector<std::uint64_t> larger(topology.cacheDomains.size());
  const auto& bytes = topology.cacheDomainBytes;
  if (bytes.empty() || bytes.size() != larger.size() || std::ranges::find(bytes, 0u) != bytes.end())
    return larger;
  const std::uint64_t smallest = std::ranges::min(bytes);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] > smallest) larger[i] = bytes[i];
  }
  return larger;
}

std::string GroupCaption(const CpuGroup& group) {
  std::string list = ShortCpuList(group.cpus, kCaptionListLength);
  if (group.largerCacheBytes != 0) list += ", " + SizeText(group.largerCacheBytes);
  return group.name.empty() ? list : group.name + " (" + list + ")";
}

std::string CpuSetToolTip(const CpuSet& set, const CpuTopology& topology,
                          const CaptionOf& caption) {
  std::string text = WithNumber(caption(AddedCaption::kCpuCountToolTip), int(set.Count()));
  std::vector<std::pair<std::string, CpuSet>> lines;
  for (const CpuGroup& group :
       CpuGroupsOf(topology, CpuSet::FromNumbers(topology.online), caption)) {
    if (CpuSet part = Intersection(set, group.cpus.Numbers()); !part.Empty())
      lines.emplace_back(group.name.empty() ? CompactCpuList(group.cpus) : group.name,
                         std::move(part));
  }
  if (lines.size() <= 1) {
    lines.clear();
    const std::string coreCaption = caption(AddedCaption::kCoreItem);
    bool threadsShared = false;
    for (std::size_t i = 0; i < topology.cores.size(); ++i) {
      if (CpuSet part = Intersection(set, topology.cores[i]); !part.Empty()) {
        threadsShared = threadsShared || topology.cores[i].size() > 1;
        lines.emplace_back(WithNumber(coreCaption, int(i + 1)), std::move(part));
      }
    }
    if (!threadsShared || lines.size() > kMostCoreLines)
      return text + '\n' + Wrapped(CompactCpuList(set), kToolTipLineLength);
  }
  for (const auto& [name, cpus] : lines) text += '\n' + name + ": " + CompactCpuList(cpus);
  return text;
}

}  // namespace mervale
