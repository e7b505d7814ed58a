#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "store/error.h"

namespace mervale {
namespace {

// What mode Automatic cycles over, kept in "Settings.ini": line 6 as every build reads it, and on
// machines with more than four CPUs a seventh line naming the choice.
class CycleSettings : public ProgramTest {
 public:
  // The five lines before "Quad core", as the first start writes them.
  static LineList File(std::vector<std::string> fromLine6) {
    LineList lines{"4", "F", "F", "0", "1"};
    lines.insert(lines.end(), fromLine6.begin(), fromLine6.end());
    return lines;
  }
};

struct StoredCycleCase {
  int cpus;
  LineList stored;
  CpuCycle restored;
  LineList saved;
};

std::ostream& operator<<(std::ostream& out, const StoredCycleCase& c) {
  return out << c.cpus << " CPUs, line 6 " << c.stored[5] << ", " << c.stored.size() << " lines";
}

class StoredCycle : public CycleSettings, public ::testing::WithParamInterface<StoredCycleCase> {};

TEST_P(StoredCycle, ReadsOnBothMachineSizesAndEndsAsThisBuildWritesIt) {
  machine.SetCpuCount(GetParam().cpus);
  WriteData("Settings.ini", JoinLines(GetParam().stored));
  StartUp();
  EXPECT_EQ(program.GetOptions().cycle, GetParam().restored);
  EXPECT_EQ(view.options.cycle, GetParam().restored);
  EXPECT_EQ(ReadData("Settings.ini"), JoinLines(GetParam().saved));
}

INSTANTIATE_TEST_SUITE_P(
    Files, StoredCycle,
    ::testing::Values(
        // Machines with at most four CPUs: six lines, a seventh ignored and dropped.
        StoredCycleCase{4, CycleSettings::File({"F"}), CpuCycle::kTwoCpus,
                        CycleSettings::File({"F"})},
        StoredCycleCase{4, CycleSettings::File({"T"}), CpuCycle::kFourCpus,
                        CycleSettings::File({"T"})},
        StoredCycleCase{2, CycleSettings::File({"F", "all"}), CpuCycle::kTwoCpus,
                        CycleSettings::File({"F"})},
        StoredCycleCase{4, CycleSettings::File({"T", "two"}), CpuCycle::kFourCpus,
                        CycleSettings::File({"T"})},
        // Bigger machines: a file of six lines keeps its meaning and gains the seventh.
        StoredCycleCase{8, CycleSettings::File({"F"}), CpuCycle::kTwoCpus,
                        CycleSettings::File({"F", "two"})},
        StoredCycleCase{8, CycleSettings::File({"T"}), CpuCycle::kFourCpus,
                        CycleSettings::File({"T", "four"})},
        StoredCycleCase{8, CycleSettings::File({"F", "cores"}), CpuCycle::kOneThreadPerCore,
                        CycleSettings::File({"F", "cores"})},
        StoredCycleCase{16, CycleSettings::File({"F", "all"}), CpuCycle::kAllCpus,
                        CycleSettings::File({"F", "all"})},
        // The seventh line wins over line 6, which then says what an older build understands.
        StoredCycleCase{8, CycleSettings::File({"T", "all"}), CpuCycle::kAllCpus,
                        CycleSettings::File({"F", "all"})},
        StoredCycleCase{8, CycleSettings::File({"F", "four"}), CpuCycle::kFourCpus,
                        CycleSettings::File({"T", "four"})},
        // A word this build does not know falls back to line 6; lines past the seventh go.
        StoredCycleCase{8, CycleSettings::File({"T", "ALL"}), CpuCycle::kFourCpus,
                        CycleSettings::File({"T", "four"})},
        StoredCycleCase{8, CycleSettings::File({"F", ""}), CpuCycle::kTwoCpus,
                        CycleSettings::File({"F", "two"})},
        StoredCycleCase{8, CycleSettings::File({"F", "all", "more"}), CpuCycle::kAllCpus,
                        CycleSettings::File({"F", "all"})}));

TEST_F(CycleSettings, EachChoiceSetsTheCycleAndSavesLinesSixAndSeven) {
  machine.SetCpuCount(8);
  StartUp();
  const struct {
    CpuCycle cycle;
    CpuSet cpus;
    LineList saved;
  } cases[] = {
      {CpuCycle::kAllCpus, CpuSet::FirstCpus(8), File({"F", "all"})},
      {CpuCycle::kFourCpus, CpuSet::FirstCpus(4), File({"T", "four"})},
      {CpuCycle::kOneThreadPerCore, CpuSet::FirstCpus(8), File({"F", "cores"})},
      {CpuCycle::kTwoCpus, CpuSet::FirstCpus(2), File({"F", "two"})},
  };
  for (const auto& c : cases) {
    program.SetCpuCycle(c.cycle);
    EXPECT_EQ(program.Engine().Policy().cycleCpus, c.cpus) << c.saved[6];
    EXPECT_EQ(ReadData("Settings.ini"), JoinLines(c.saved));
  }
  // The window's "Quad core" box, should anything still call it, means Four CPUs or Two.
  program.SetQuadCore(true);
  EXPECT_EQ(program.GetOptions().cycle, CpuCycle::kFourCpus);
}

TEST_F(CycleSettings, AFailedRestoreWithASeventhLineKeepsTheFile) {
  machine.SetCpuCount(8);
  const LineList stored{"x", "F", "F", "0", "1", "F", "all"};
  WriteData("Settings.ini", JoinLines(stored));
  program.PrepareData();
  EXPECT_THROW(program.LoadSettings(), Error);
  EXPECT_EQ(ReadData("Settings.ini"), JoinLines(stored));
  EXPECT_EQ(program.GetOptions().cycle, CpuCycle::kTwoCpus);
}

}  // namespace
}  // namespace mervale
