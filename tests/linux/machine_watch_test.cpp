// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/machine_watch.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/common/kernel_affinity.h"

namespace mervale {
namespace {

using testing::AffinityOf;
using testing::Pin;

// The layout is read again when the online list or our own CPUs change, and only then.
TEST(MachineWatch, ReadsTheLayoutAgainOnlyWhenTheCpusChanged) {
  const std::string online = ::testing::TempDir() + "mervale-online-" + std::to_string(getpid());
  std::ofstream(online) << "0-7\n";
  int loads = 0;
  MachineWatch watch([&] { return PlainTopology(unsigned(++loads)); }, online.c_str());
  ASSERT_EQ(loads, 1);
  EXPECT_EQ(watch.Cpus(), CpuSet::FirstCpus(1));

  const CpuNumbers ownCpus = AffinityOf(0);
  const struct {
    const char* change;
    const char* onlineList;  // nullptr: as it was
    bool pinToFirstCpu;
    int loads;
  } steps[] = {
      {"nothing", nullptr, false, 1},
      {"CPU 7 offline", "0-6\n", false, 2},
      {"still offline", nullptr, false, 2},
      {"CPU 7 back", "0-7\n", false, 3},
      {"our own CPUs narrowed", nullptr, true, ownCpus.size() > 1 ? 4 : 3},
  };
  for (const auto& step : steps) {
    if (step.onlineList) std::ofstream(online) << step.onlineList;
    if (step.pinToFirstCpu) {
      ASSERT_TRUE(Pin(0, {ownCpus.front()}));
    }
    watch.Update();
    EXPECT_EQ(loads, step.loads) << step.change;
    EXPECT_EQ(watch.Cpus(), CpuSet::FirstCpus(std::size_t(loads))) << step.change;
  }
  ASSERT_TRUE(Pin(0, ownCpus));
  std::remove(online.c_str());
}

}  // namespace
}  // namespace mervale
