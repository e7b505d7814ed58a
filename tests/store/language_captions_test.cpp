// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/language_captions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <tuple>

#include "temp_dir.h"

namespace mervale {
namespace {

LineList ListOf(const testing::TempDir& dir, std::initializer_list<std::string> files,
                bool trailingSeparator = true) {
  for (const std::string& file : files) testing::WriteBytes(dir / file, "x");
  std::string path = dir.Path().string();
  if (trailingSeparator) path += static_cast<char>(std::filesystem::path::preferred_separator);
  return ListLanguageFiles(path);
}

TEST(ListLanguageFiles, ListsEveryFileWithoutItsExtensionSorted) {
  testing::TempDir dir;
  std::filesystem::create_directory(dir.Path() / "old");
  testing::WriteBytes(dir / "old/inner.txt", "x");
  EXPECT_EQ(ListOf(dir, {"English.txt", "deutsch.txt", "readme.doc"}),
            (LineList{"deutsch", "English", "readme"}));
}

TEST(ListLanguageFiles, OddNamesAndDuplicates) {
  struct Case {
    std::initializer_list<std::string> files;
    LineList names;
  };
  const Case cases[] = {
      {{"a.b.txt"}, {"a.b"}},
      {{"README"}, {"README"}},
      {{".txt"}, {""}},
      {{"English.txt", "English.bak"}, {"English", "English"}},
      {{"b.txt", "A.txt", "c"}, {"A", "b", "c"}},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    EXPECT_EQ(ListOf(dir, c.files), c.names);
    EXPECT_EQ(ListLanguageFiles(dir.Path().string()), c.names) << "without a trailing separator";
  }
}

TEST(ListLanguageFiles, AMissingDirectoryOrAFileListsNothing) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "English.txt", "x");
  EXPECT_TRUE(ListLanguageFiles(dir / "missing").empty());
  EXPECT_TRUE(ListLanguageFiles(dir / "English.txt").empty());
}

TEST(CaptionSteps, UseTheLinesInTheirFixedOrder) {
  const auto steps = CaptionSteps();
  ASSERT_EQ(steps.size(), 34u);
  EXPECT_EQ(steps.front().index, 0);
  EXPECT_EQ(steps[19].target, CaptionTarget::kModeItems);
  EXPECT_EQ(steps[19].index, 20);
  EXPECT_EQ(steps[30].target, CaptionTarget::kProfileTab);
  EXPECT_EQ(steps.back().target, CaptionTarget::kDeleteExclusionsItem);
  EXPECT_EQ(steps.back().index, 30);

  std::map<int, int> uses;
  std::set<CaptionTarget> targets;
  for (const CaptionStep& step : steps) {
    targets.insert(step.target);
    const int lines = step.target == CaptionTarget::kModeItems ? kModeItemCount : 1;
    for (int line = step.index; line < step.index + lines; ++line) ++uses[line];
  }
  EXPECT_EQ(targets.size(), steps.size());
  EXPECT_EQ(uses[21], 2);
  EXPECT_EQ(uses[41], 2);
  for (const int line : {20, 22, 23, 24}) EXPECT_EQ(uses[line], 1) << line;
  for (const int line : {5, 32, 33, 34, 37, 38}) EXPECT_FALSE(uses.contains(line)) << line;
  EXPECT_EQ(uses.rbegin()->first, kLanguageTableLines - 1);
}

TEST(FirstMissingCaptionIndex, NamesTheLineWhereApplyingWouldStop) {
  const std::pair<int, int> cases[] = {{42, -1}, {60, -1}, {41, 41}, {31, 31}, {30, 31}, {22, 22},
                                       {21, 21}, {20, 20}, {10, 10}, {5, 6},   {4, 4},   {0, 0}};
  for (const auto& [lines, missing] : cases) {
    EXPECT_EQ(FirstMissingCaptionIndex(LineList(static_cast<std::size_t>(lines), "x")), missing)
        << lines << " lines";
  }
}

TEST(WithNumber, FillsTheFirstNumberSlotOnlyAndTakesNothingElseAsAFormat) {
  const std::tuple<std::string_view, int, std::string_view> cases[] = {
      {"Core %d", 7, "Core 7"},
      {"%d. Kern", 12, "12. Kern"},
      {"Node %d of %d", 1, "Node 1 of %d"},
      {"%s %n %x %d", 3, "%s %n %x 3"},
      {"No slot", 5, "No slot"},
      {"100% %d", 0, "100% 0"},
  };
  for (const auto& [caption, number, expected] : cases) {
    EXPECT_EQ(WithNumber(caption, number), expected) << caption;
  }
}

}  // namespace
}  // namespace mervale
