// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/cpu_set.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "engine/cpu_list_text.h"

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
  for (const std::uint64_t mask :
       {std::uint64_t{0}, std::uint64_t{16}, std::uint64_t{17}, std::uint64_t{31},
        std::uint64_t{255}, std::uint64_t{0x80000001}, std::numeric_limits<std::uint64_t>::max()}) {
    EXPECT_EQ(MaskToText(mask), "0000") << "mask " << mask;
  }
}

TEST(TextToMask, RoundTripsManagedMasksAndGivesZeroForOthers) {
  for (std::uint64_t mask = 0; mask <= 64; ++mask) {
    EXPECT_EQ(TextToMask(MaskToText(mask)), IsManagedMask(mask) ? CpuSet(mask) : CpuSet{})
        << "mask " << mask;
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

TEST(FlagsToMask, AgreesWithTheMaskTextForAllSixteenFlagCombinations) {
  for (int bits = 0; bits < 16; ++bits) {
    const int cpu1 = bits & 1, cpu2 = (bits >> 1) & 1, cpu3 = (bits >> 2) & 1,
              cpu4 = (bits >> 3) & 1;
    const std::string text = MaskToText(std::uint64_t(FlagsToMask(cpu1, cpu2, cpu3, cpu4)));
    const std::string expected{cpu1 ? '1' : '0', cpu2 ? '1' : '0', cpu3 ? '1' : '0',
                               cpu4 ? '1' : '0'};
    EXPECT_EQ(text, bits == 0 ? "0000" : expected) << "flags " << bits;
  }
}

// Sets built from CPU numbers on both sides of each 64-bit word boundary.
TEST(CpuSet, HoldsCpusPastEveryWordBoundary) {
  const std::vector<std::vector<unsigned>> cases = {
      {}, {0}, {63}, {64}, {0, 64}, {63, 64, 127, 128}, {255}, {1, 200, 1023}, {4095},
  };
  for (const auto& numbers : cases) {
    const CpuSet set = CpuSet::FromNumbers(numbers);
    EXPECT_EQ(set.Numbers(), numbers);
    EXPECT_EQ(set.Count(), numbers.size());
    EXPECT_EQ(set.Empty(), numbers.empty());
    EXPECT_EQ(set.End(), numbers.empty() ? 0u : numbers.back() + 1);
    for (const unsigned cpu : numbers) EXPECT_TRUE(set.Contains(cpu)) << cpu;
    EXPECT_FALSE(set.Contains(numbers.empty() ? 0 : numbers.back() + 1));
    std::vector<std::uint64_t> words(set.WordCount() + 2, 0);  // trailing zero words
    for (std::size_t i = 0; i < set.WordCount(); ++i) words[i] = set.Word(i);
    EXPECT_EQ(CpuSet::FromWords(words), set) << "trailing zero words must not change equality";
  }
}

TEST(CpuSet, FirstCpusFillsExactlyTheCount) {
  for (const std::size_t count : {0u, 1u, 4u, 63u, 64u, 65u, 128u, 256u, 1000u}) {
    const CpuSet set = CpuSet::FirstCpus(count);
    EXPECT_EQ(set.Count(), count);
    EXPECT_EQ(set.End(), count);
  }
}

TEST(CpuSet, SubsetLooksAtEveryWord) {
  const auto set = [](std::vector<unsigned> numbers) { return CpuSet::FromNumbers(numbers); };
  const struct {
    CpuSet part, whole;
    bool subset;
  } cases[] = {
      {set({}), set({}), true},          {set({0}), set({0, 1}), true},
      {set({2}), set({0, 1}), false},    {set({0, 64}), set({0}), false},
      {set({70}), set({0, 70}), true},   {set({0, 130}), set({0, 70, 130}), true},
      {set({130}), set({0, 70}), false}, {set({0}), set({64}), false},
      {set({64, 65}), set({64}), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.part.IsSubsetOf(c.whole), c.subset) << c.part << " " << c.whole;
}

// Machines with at most four CPUs keep the four-character texts and CPUs 1 to 4 as managed.
TEST(ManagedCpus, KeepsTheFourCpusOnSmallMachinesAndTakesTheOnlineOnesOnBigOnes) {
  const struct {
    std::size_t online;
    std::size_t managed;
    std::size_t width;
  } cases[] = {{1, 4, 4}, {2, 4, 4}, {3, 4, 4},    {4, 4, 4},
               {5, 5, 5}, {8, 8, 8}, {64, 64, 64}, {256, 256, 256}};
  for (const auto& c : cases) {
    const CpuSet managed = ManagedCpus(CpuSet::FirstCpus(c.online));
    EXPECT_EQ(managed, CpuSet::FirstCpus(c.managed)) << c.online;
    EXPECT_EQ(MaskTextWidth(managed), c.width) << c.online;
  }
  // An offline CPU in the middle is not managed.
  const CpuSet holes = CpuSet::FromNumbers(std::vector<unsigned>{0, 1, 2, 3, 5, 6});
  EXPECT_FALSE(IsManagedMask(CpuSet::FromNumbers(std::vector<unsigned>{4}), ManagedCpus(holes)));
  EXPECT_TRUE(IsManagedMask(CpuSet::FromNumbers(std::vector<unsigned>{6}), ManagedCpus(holes)));
}

TEST(MaskToText, GivesOneCharacterPerCpuOnBigMachines) {
  const struct {
    std::vector<unsigned> cpus;
    std::size_t width;
    std::string text;
  } cases[] = {
      {{0}, 8, "10000000"}, {{7}, 8, "00000001"},
      {{8}, 8, "00000000"},  // past the width
      {{0, 4}, 5, "10001"}, {{65}, 66, std::string(65, '0') + "1"},
      {{}, 6, "000000"},
  };
  for (const auto& c : cases) {
    const CpuSet set = CpuSet::FromNumbers(c.cpus);
    EXPECT_EQ(MaskToText(set, c.width), c.text);
    if (c.text.find('1') != std::string::npos) {
      EXPECT_EQ(TextToMask(c.text, c.width), set);
    }
  }
}

TEST(CompactCpuList, JoinsRunsOfCpusNumberedFromOne) {
  const struct {
    std::string maskText;
    std::string compact;
    std::string shortList;  // cut to 24 bytes, as menu captions are
  } cases[] = {
      {"111100001", "1–4,9", "1–4,9"},
      {"10000000", "1", "1"},
      {"00000001", "8", "8"},
      {"11000011", "1–2,7–8", "1–2,7–8"},
      {"10101000", "1,3,5", "1,3,5"},
      {"11111111", "1–8", "1–8"},
      {"01111110", "2–7", "2–7"},
      {"00000000", "-", "-"},
      {"", "-", "-"},
      {std::string(255, '0') + "1", "256", "256"},
      {std::string(256, '1'), "1–256", "1–256"},
      {"1010101010101010101", "1,3,5,7,9,11,13,15,17,19", "1,3,5,7,9,11,13,15,17,19"},
      {"101010101010101010101", "1,3,5,7,9,11,13,15,17,19,21", "1,3,5,7,9,11,13,15,17,19,…"},
  };
  for (const auto& c : cases) {
    const CpuSet set = TextToMask(c.maskText, c.maskText.size());
    EXPECT_EQ(CompactCpuList(set), c.compact) << c.maskText;
    EXPECT_EQ(ShortCpuList(set, 24), c.shortList) << c.maskText;
  }
}

}  // namespace
}  // namespace mervale
