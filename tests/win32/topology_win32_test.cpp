// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/win32/win32_topology.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "tests/common/cpu_lists.h"

namespace mervale {
namespace {

using testing::List;
using testing::Lists;

// Records laid out as GetLogicalProcessorInformationEx fills them in.
class Records {
 public:
  Records& Core(BYTE efficiencyClass, KAFFINITY mask, WORD group = 0) {
    SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX record{};
    record.Relationship = RelationProcessorCore;
    record.Processor.Reserved[0] = efficiencyClass;
    record.Processor.GroupCount = 1;
    record.Processor.GroupMask[0] = {mask, group, {}};
    return Add(record);
  }
  Records& Cache(BYTE level, PROCESSOR_CACHE_TYPE type, KAFFINITY mask, WORD group = 0) {
    SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX record{};
    record.Relationship = RelationCache;
    record.Cache.Level = level;
    record.Cache.Type = type;
    record.Cache.GroupMask = {mask, group, {}};
    return Add(record);
  }
  Records& Node(KAFFINITY mask, WORD group = 0) {
    SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX record{};
    record.Relationship = RelationNumaNode;
    record.NumaNode.GroupMask = {mask, group, {}};
    return Add(record);
  }
  // The active processors of each group.
  Records& Groups(const std::vector<KAFFINITY>& active) {
    const std::size_t size = offsetof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX, Group.GroupInfo) +
                             active.size() * sizeof(PROCESSOR_GROUP_INFO);
    std::vector<std::byte> bytes(size);
    auto* record = reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(bytes.data());
    record->Relationship = RelationGroup;
    record->Group.ActiveGroupCount = static_cast<WORD>(active.size());
    for (std::size_t i = 0; i < active.size(); ++i) {
      record->Group.GroupInfo[i].ActiveProcessorMask = active[i];
    }
    return Append(bytes);
  }
  // Raises the size the last record claims, as a cut-off buffer would show it.
  Records& StretchLast(DWORD extra) {
    auto* record = reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(&storage_[last_]);
    record->Size += extra;
    return *this;
  }

  std::span<const std::byte> bytes() const { return storage_; }

 private:
  Records& Add(const SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX& record) {
    std::vector<std::byte> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, sizeof record);
    return Append(bytes);
  }
  Records& Append(std::vector<std::byte> bytes) {
    bytes.resize((bytes.size() + 7) / 8 * 8);
    reinterpret_cast<SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*>(bytes.data())->Size =
        static_cast<DWORD>(bytes.size());
    last_ = storage_.size();
    storage_.insert(storage_.end(), bytes.begin(), bytes.end());
    return *this;
  }

  std::vector<std::byte> storage_;
  std::size_t last_ = 0;
};

// Four performance cores with two threads (CPUs 0-7), four efficiency cores (8-11) sharing a
// level-2 cache, one level-3 cache and one node for all.
Records Hybrid() {
  Records records;
  records.Groups({0xFFF});
  for (int core = 0; core < 4; ++core) {
    records.Core(1, KAFFINITY{3} << (2 * core))
        .Cache(1, CacheInstruction, KAFFINITY{3} << (2 * core))
        .Cache(2, CacheUnified, KAFFINITY{3} << (2 * core));
  }
  for (int cpu = 8; cpu < 12; ++cpu) records.Core(0, KAFFINITY{1} << cpu);
  records.Cache(2, CacheUnified, 0xF00).Cache(3, CacheUnified, 0xFFF).Node(0xFFF);
  return records;
}

TEST(TopologyFromProcessorRecords, ReadsTheLayoutOfOneGroup) {
  const CpuTopology topology = TopologyFromProcessorRecords(Hybrid().bytes(), 0);
  EXPECT_EQ(topology.online, List("0-11"));
  EXPECT_EQ(topology.cores, Lists({"0-1", "2-3", "4-5", "6-7", "8", "9", "10", "11"}));
  EXPECT_EQ(topology.performanceCpus, List("0-7"));
  EXPECT_EQ(topology.efficiencyCpus, List("8-11"));
  EXPECT_EQ(topology.cacheDomains, Lists({"0-11"}));
  EXPECT_EQ(topology.numaNodes, Lists({"0-11"}));
}

TEST(TopologyFromProcessorRecords, KeepsToItsGroupAndToWholeRecords) {
  const struct {
    const char* name;
    Records records;
    WORD group;
    const char* online;
    std::vector<std::string> cores, caches;
  } cases[] = {
      {"other groups' records are left out",
       Records(Hybrid())
           .Groups({0x3, 0xF})
           .Core(0, 0x3, 1)
           .Core(0, 0xC, 1)
           .Cache(3, CacheData, 0xF, 1),
       1,
       "0-3",
       {"0-1", "2-3"},
       {"0-3"}},
      {"inactive processors are left out",
       Records(Hybrid()).Groups({0x3F}),
       0,
       "0-5",
       {"0-1", "2-3", "4-5"},
       {"0-5"}},
      {"without a group record the cores tell the online CPUs",
       Records().Core(1, 0x3).Core(1, 0x30).Cache(2, CacheUnified, 0x33),
       0,
       "0-1,4-5",
       {"0-1", "4-5"},
       {"0-1,4-5"}},
      {"a record that runs past the end stops the reading",
       Records().Core(1, 0x1).Core(1, 0x2).StretchLast(8),
       0,
       "0",
       {"0"},
       {}},
  };
  for (const auto& c : cases) {
    const CpuTopology topology = TopologyFromProcessorRecords(c.records.bytes(), c.group);
    EXPECT_EQ(topology.online, List(c.online)) << c.name;
    EXPECT_EQ(topology.cores, Lists(c.cores)) << c.name;
    EXPECT_EQ(topology.cacheDomains, Lists(c.caches)) << c.name;
  }
}

TEST(TopologyFromProcessorRecords, KnowsNoCoreKindsWhenEveryCoreIsOfOneClass) {
  const CpuTopology topology =
      TopologyFromProcessorRecords(Records().Core(2, 0x3).Core(2, 0xC).bytes(), 0);
  EXPECT_TRUE(topology.performanceCpus.empty() && topology.efficiencyCpus.empty());
}

TEST(MachineTopology, AgreesWithTheActiveProcessorCount) {
  const CpuTopology topology = MachineTopology();
  EXPECT_EQ(topology.online.size(), GetActiveProcessorCount(0));
  EXPECT_FALSE(topology.cores.empty());
}

}  // namespace
}  // namespace mervale
