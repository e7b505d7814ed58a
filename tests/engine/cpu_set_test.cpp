#include "engine/cpu_set.h"

#include <gtest/gtest.h>

#include <limits>

namespace mervale {
namespace {

TEST(MaskToText, GivesCpuOneFirstForEveryManagedMask) {
  const struct {
    CpuSet mask;
    const char* text;
  } cases[] = {
      {1, "1000"},  {2, "0100"},  {3, "1100"},  {4, "0010"},  {5, "1010"},
      {6, "0110"},  {7, "1110"},  {8, "0001"},  {9, "1001"},  {10, "0101"},
      {11, "1101"}, {12, "0011"}, {13, "1011"}, {14, "0111"}, {15, "1111"},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskToText(c.mask), c.text) << "mask " << c.mask;
}

TEST(MaskToText, GivesZerosOutsideTheManagedRangeWithoutReducingToLowBits) {
  for (const CpuSet mask :
       {0u, 16u, 17u, 31u, 255u, 0x80000001u, std::numeric_limits<CpuSet>::max()}) {
    EXPECT_EQ(MaskToText(mask), "0000") << "mask " << mask;
  }
}

TEST(TextToMask, RoundTripsManagedMasksAndGivesZeroForOthers) {
  for (CpuSet mask = 0; mask <= 64; ++mask) {
    EXPECT_EQ(TextToMask(MaskToText(mask)), IsManagedMask(mask) ? mask : 0u) << "mask " << mask;
  }
}

TEST(TextToMask, CountsOnlyTheCharacterOneInTheFirstFourPlaces) {
  const struct {
    const char* text;
    CpuSet mask;
  } cases[] = {
      {"1010", 5}, {"0000", 0}, {"1x1y", 5},     {"11111", 15}, {"00001", 0},
      {"0001", 8}, {"1 1 ", 5}, {"IIII", 0},     {"1", 1},      {"01", 2},
      {"", 0},     {"2222", 0}, {"1111abc", 15},
  };
  for (const auto& c : cases) EXPECT_EQ(TextToMask(c.text), c.mask) << '"' << c.text << '"';
}

TEST(FlagsToText, AgreesWithTheMaskForAllSixteenFlagCombinations) {
  for (int bits = 0; bits < 16; ++bits) {
    const int cpu1 = bits & 1, cpu2 = (bits >> 1) & 1, cpu3 = (bits >> 2) & 1,
              cpu4 = (bits >> 3) & 1;
    const std::int32_t mask = FlagsToMask(cpu1, cpu2, cpu3, cpu4);
    EXPECT_EQ(mask, cpu1 + 2 * cpu2 + 4 * cpu3 + 8 * cpu4);
    EXPECT_EQ(FlagsToText(cpu1, cpu2, cpu3, cpu4), MaskToText(static_cast<CpuSet>(mask)))
        << "flags " << bits;
  }
  EXPECT_EQ(FlagsToText(0, 0, 0, 0), "0000");
}

TEST(FlagsToText, TakesOnlyTheValueOneAsPresent) {
  EXPECT_EQ(FlagsToText(2, -1, 1, 0), "0010");
  EXPECT_EQ(FlagsToText(1, 1, 1, 1), "1111");
}

}  // namespace
}  // namespace mervale
