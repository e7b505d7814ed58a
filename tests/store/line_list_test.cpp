// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/line_list.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "store/error.h"
#include "store/line_list_file.h"
#include "store/line_search.h"
#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using namespace std::string_literals;

struct SplitCase {
  std::string bytes;
  LineList lines;
};

const SplitCase kSplitCases[] = {
    {"a\r\nb\r\n", {"a", "b"}},
    {"a\nb", {"a", "b"}},
    {"a\rb", {"a", "b"}},
    {"a\r\n", {"a"}},
    {"a", {"a"}},
    {"a\r", {"a"}},
    {"a\n\rb", {"a", "", "b"}},
    {"a\r\r\nb", {"a", "", "b"}},
    {"\r\n", {""}},
    {"\n\n", {"", ""}},
    {"a\r\n\r\n", {"a", ""}},
    {"", {}},
    {"a\0b\r\nc"s, {"a"}},
    {"\0abc"s, {}},
    {"a\r\n\0b"s, {"a"}},
    {"  a  \r\n\tb\t", {"  a  ", "\tb\t"}},
    {"\xe4\xf6\xfc\r\n\x80\xff", {"\xe4\xf6\xfc", "\x80\xff"}},
    {"\xef\xbb\xbfx", {"\xef\xbb\xbfx"}},
};

TEST(LineListSplit, BreaksAtCrLfLoneCrAndLoneLfAndStopsAtNul) {
  for (const auto& c : kSplitCases) {
    EXPECT_EQ(SplitLines(c.bytes), c.lines) << ::testing::PrintToString(c.bytes);
  }
}

TEST(LineListLoad, ReadsTheFileBytesAsTheyStand) {
  TempDir dir;
  const std::string path = dir / "CPU1_0.lst";
  for (const auto& c : kSplitCases) {
    WriteBytes(path, c.bytes);
    LineList list{"previous", "content"};
    LoadLineList(list, path);
    EXPECT_EQ(list, c.lines) << ::testing::PrintToString(c.bytes);
  }
}

TEST(LineListJoin, EndsEveryLineWithCrLf) {
  const struct {
    LineList lines;
    std::string bytes;
  } cases[] = {
      {{}, ""},
      {{"x"}, "x\r\n"},
      {{""}, "\r\n"},
      {{"a", "", " b "}, "a\r\n\r\n b \r\n"},
      {{"\xe4\x80"}, "\xe4\x80\r\n"},
  };
  for (const auto& c : cases) {
    const std::string joined = JoinLines(c.lines);
    EXPECT_EQ(joined, c.bytes);
    std::size_t expectedSize = 0;
    for (const auto& line : c.lines) expectedSize += line.size() + 2;
    EXPECT_EQ(joined.size(), expectedSize);
  }
}

TEST(LineListSave, WritesCrLfAfterTheLastLineAndKeepsBlanksAndBytes) {
  TempDir dir;
  const std::string path = dir / "Skip.dat";
  WriteBytes(path, "  lead\rtrail  \n\xe4mid\xff\r\nlast without break ");
  LineList list;
  LoadLineList(list, path);
  SaveLineList(list, path);
  EXPECT_EQ(ReadBytes(path), "  lead\r\ntrail  \r\n\xe4mid\xff\r\nlast without break \r\n");
  LineList again;
  LoadLineList(again, path);
  EXPECT_EQ(again, list);
}

TEST(LineListSave, ReplacesTheWholeFileAndLeavesNoTemporaryFile) {
  TempDir dir;
  const std::string path = dir / "Settings.ini";
  WriteBytes(path, "a much longer previous content\r\nwith two lines\r\n");
  for (const LineList& lines : {LineList{"4", "F"}, LineList{}, LineList{""}}) {
    SaveLineList(lines, path);
    EXPECT_EQ(ReadBytes(path), JoinLines(lines));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"Settings.ini"});
  }
}

TEST(LineListFind, IgnoresAsciiLetterCaseAndNothingElse) {
  const LineList list{"notepad.exe", "Calc.EXE", "calc.exe", "\xe4rger", "v1.2"};
  const struct {
    const char* text;
    int index;
  } cases[] = {
      {"NOTEPAD.EXE", 0},   {"Notepad.exe", 0}, {"notepad", -1}, {"notepad.exe ", -1},
      {" notepad.exe", -1}, {"calc.exe", 1},    {"CALC.EXE", 1}, {"v1.2", 4},
      {"V1.2", 4},          {"v1,2", -1},       {"", -1},        {"\xe4rger", 3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindLine(list, c.text), c.index) << c.text;
  }
  EXPECT_EQ(FindLine({}, "a"), -1);
}

TEST(LineListCompare, OrdersIgnoringCaseWithShorterPrefixFirst) {
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"a", "B", -1}, {"B", "a", 1}, {"abc", "ABC", 0},    {"ab", "ABC", -1},
      {"", "", 0},    {"", "a", -1}, {"Zeta", "alpha", 1},
  };
  for (const auto& c : cases) {
    const int result = CompareTextIgnoringCase(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
  }
}

TEST(LineListSort, SortsAscendingIgnoringCase) {
  const struct {
    LineList input;
    LineList sorted;
  } cases[] = {
      {{"b", "A", "c"}, {"A", "b", "c"}},
      {{"abc", "ABD", "ab"}, {"ab", "abc", "ABD"}},
      {{"Zeta", "alpha", "Mid"}, {"alpha", "Mid", "Zeta"}},
      {{}, {}},
  };
  for (auto c : cases) {
    SortLines(c.input);
    EXPECT_EQ(c.input, c.sorted);
  }
}

TEST(LineListIndex, RefusesIndicesOutsideTheList) {
  const LineList list{"4", "F", "F"};
  for (int index = 0; index < 3; ++index) EXPECT_EQ(&LineAt(list, index), &list[index]);
  for (const int index : {-1, 3, 100}) {
    try {
      LineAt(list, index);
      ADD_FAILURE() << "read index " << index;
    } catch (const Error& error) {
      EXPECT_EQ(error.what(),
                "Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
    }
  }
}

TEST(LineListFileExists, IsTrueOnlyForFiles) {
  TempDir dir;
  WriteBytes(dir / "file", "");
  std::filesystem::create_directory(dir / "directory");
  EXPECT_TRUE(FileExists(dir / "file"));
  EXPECT_FALSE(FileExists(dir / "directory"));
  EXPECT_FALSE(FileExists(dir / "missing"));
}

}  // namespace
}  // namespace mervale
