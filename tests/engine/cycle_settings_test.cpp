// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "program_fixture.h"

namespace mervale {
namespace {

// What mode Automatic cycles over, kept in "Settings.ini": line 6 as every build reads it, and on
// machines with more than four CPUs a seventh line naming the choice.
struct StoredCycleCase {
  int cpus;
  LineList stored;  // from line 6 on
  CpuCycle restored;
  LineList saved;  // from line 6 on
};

std::ostream& operator<<(std::ostream& out, const StoredCycleCase& c) {
  out << c.cpus << " CPUs:";
  for (const std::string& line : c.stored) out << " '" << line << "'";
  return out;
}

// The five lines before "Quad core" as the first start writes them, then `fromLine6`.
std::string File(const LineList& fromLine6) {
  LineList lines{"4", "F", "F", "0", "1"};
  lines.insert(lines.end(), fromLine6.begin(), fromLine6.end());
  return JoinLines(lines);
}

class StoredCycle : public ProgramTest, public ::testing::WithParamInterface<StoredCycleCase> {};

TEST_P(StoredCycle, ReadsOnBothMachineSizesAndEndsAsThisBuildWritesIt) {
  machine.SetCpuCount(GetParam().cpus);
  WriteData("Settings.ini", File(GetParam().stored));
  StartUp();
  EXPECT_EQ(program.GetOptions().cycle, GetParam().restored);
  EXPECT_EQ(view.options.cycle, GetParam().restored);
  EXPECT_EQ(ReadData("Settings.ini"), File(GetParam().saved));
}

using C = StoredCycleCase;
INSTANTIATE_TEST_SUITE_P(
    Files, StoredCycle,
    ::testing::Values(
        // Machines with at most four CPUs: six lines, a seventh ignored and dropped.
        C{4, {"F"}, CpuCycle::kTwoCpus, {"F"}}, C{4, {"T"}, CpuCycle::kFourCpus, {"T"}},
        C{2, {"F", "all"}, CpuCycle::kTwoCpus, {"F"}},
        C{4, {"T", "two"}, CpuCycle::kFourCpus, {"T"}},
        // Bigger machines: a file of six lines keeps its meaning and gains the seventh.
        C{8, {"F"}, CpuCycle::kTwoCpus, {"F", "two"}},
        C{8, {"T"}, CpuCycle::kFourCpus, {"T", "four"}},
        C{8, {"F", "cores"}, CpuCycle::kOneThreadPerCore, {"F", "cores"}},
        C{16, {"F", "all"}, CpuCycle::kAllCpus, {"F", "all"}},
        // The seventh line wins over line 6, which then says what an older build understands.
        C{8, {"T", "all"}, CpuCycle::kAllCpus, {"F", "all"}},
        C{8, {"F", "four"}, CpuCycle::kFourCpus, {"T", "four"}},
        // A word this build does not know falls back to line 6; lines past the seventh go.
        C{8, {"T", "ALL"}, CpuCycle::kFourCpus, {"T", "four"}},
        C{8, {"F", ""}, CpuCycle::kTwoCpus, {"F", "two"}},
        C{8, {"F", "all", "more"}, CpuCycle::kAllCpus, {"F", "all"}}));

}  // namespace
}  // namespace mervale
