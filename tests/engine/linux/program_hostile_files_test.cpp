// SPDX-License-Identifier: GPL-3.0-or-later

// Hostile files through the program's start-up, loads and saves: lines of 10 MB, a FIFO in place of
// every file the program reads, links and a data directory of another user, and the temporary
// files of killed saves. Each start runs in a child process with a time limit, so a start that
// blocks fails the test instead of hanging it. FIFOs, owners and forks are Linux's; the Windows
// build leaves this file out.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>

#include "store/error.h"
#include "store/excerpt.h"
#include "tests/engine/program_fixture.h"
#include "tests/store/linux/child_process.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;
using testing::kOtherUser;

const std::string kLongLine(10 * 1024 * 1024, '9');

class HostileFiles : public ProgramTest {
 protected:
  // The start-up's error text in a child process, or "hung" when it did not end in time.
  std::string StartUpError() {
    const auto outcome = testing::RunInChild([&] {
      try {
        StartUp();
      } catch (const Error& error) {
        return std::string(error.what());
      }
      return std::string();
    });
    return outcome.value_or("hung");
  }
  void MakeFifo(const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path; }
  std::string Invalid(const std::string& path, bool creating) const {
    const std::string system = SystemErrorText(EINVAL);
    return creating ? CannotCreateFileText(path, system) : CannotOpenFileText(path, system);
  }
};

// The error quotes the long line as an excerpt; the file keeps every byte.
TEST_F(HostileFiles, ALongSettingsLineIsQuotedAsAnExcerpt) {
  for (const int line : {0, 3}) {
    LineList lines{"2", "F", "F", "0", "1", "F"};
    lines[static_cast<std::size_t>(line)] = kLongLine;
    WriteData("Settings.ini", Lines(lines));
    const std::string error = StartUpError();
    EXPECT_EQ(error, FileLineText("Settings.ini", line + 1,
                                  "'" + std::string(kExcerptBytes, '9') +
                                      "…' ist kein gültiger Integerwert"));
    EXPECT_EQ(ReadData("Settings.ini"), Lines(lines)) << "line " << line + 1;
  }
}

// Long profile and exclusion lines are kept whole, and the lines beside them still work.
TEST_F(HostileFiles, LongProfileAndExclusionLinesKeepEveryByteAndTheirNeighboursWork) {
  const std::string longEntry = "0001: " + kLongLine;
  WriteData("Settings.ini", Lines({"1", "F", "F", "0", "1", "F"}));
  WriteData("CPU1_0.lst", Lines({longEntry, "0010: gamma.exe", "0" + kLongLine}));
  WriteData("Skip.dat", Lines({kLongLine, "beta.exe"}));
  StartUp();
  EXPECT_EQ(machine.MaskOf(300), 4u) << "gamma.exe takes its entry behind a long one";
  EXPECT_EQ(machine.MaskOf(100), 15u) << "alpha.exe has no entry";
  EXPECT_EQ(view.profileList, (LineList{longEntry, "0010: gamma.exe", "0" + kLongLine}));
  program.SelectMode(Mode::kCpu1);
  EXPECT_EQ(machine.MaskOf(100), 1u);
  EXPECT_EQ(machine.MaskOf(200), 15u) << "beta.exe stays excluded behind a long name";
  SelectRows({100});
  program.ExcludeSelected();
  EXPECT_EQ(ReadData("Skip.dat"), Lines({kLongLine, "beta.exe", "alpha.exe"}));
}

// Only the English fallback was opened without a look at the file first; every other FIFO counts
// as a missing file, and a save refuses to replace it.
TEST_F(HostileFiles, AFifoInPlaceOfAnyFileThatIsReadNeverBlocksTheStart) {
  WriteLanguage("Deutsch", kLanguageTableLines, "de");
  const struct {
    std::string path;
    std::string language;  // the choice in lang.ini, if any
    std::string error;
  } cases[] = {
      {LanguageFile("English"), "", Invalid(LanguageFile("English"), false)},
      {LanguageFile("Deutsch"), "Deutsch", ""},
      {DataFile("Settings.ini"), "", Invalid(DataFile("Settings.ini"), true)},
      {DataFile("lang.ini"), "", Invalid(DataFile("lang.ini"), true)},
      {DataFile("Skip.dat"), "", ""},
      {DataFile("CPU1_0.lst"), "", ""},
  };
  for (const auto& c : cases) {
    for (const char* name : {"Settings.ini", "lang.ini", "Skip.dat", "CPU1_0.lst"}) {
      fs::remove(DataFile(name));
    }
    if (!c.language.empty()) WriteData("lang.ini", Lines({c.language}));
    fs::remove(c.path);
    MakeFifo(c.path);
    EXPECT_EQ(StartUpError(), c.error) << c.path;
    EXPECT_EQ(fs::status(c.path).type(), fs::file_type::fifo) << c.path;
    fs::remove(c.path);
    WriteLanguage("English", kLanguageTableLines, "en");
    WriteLanguage("Deutsch", kLanguageTableLines, "de");
  }
}

#define REQUIRE_ROOT() \
  if (::geteuid() != 0) GTEST_SKIP() << "files of another owner need an administrator"

// Root started with a user's configuration directory: the user's link to a file of root's is
// neither read nor written, nor is anything saved into the user's data directory.
TEST_F(HostileFiles, RootUsesNoLinkAndNoDirectoryOfAnotherUser) {
  REQUIRE_ROOT();
  const std::string rootsFile = temp / "roots-file";
  testing::WriteBytes(rootsFile, "root's own\r\n");
  WriteData("lang.ini", Lines({"English"}));
  fs::create_symlink(rootsFile, DataFile("Settings.ini"));
  ASSERT_EQ(::lchown(DataFile("Settings.ini").c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_EQ(StartUpError(), CannotOpenFileText(DataFile("Settings.ini"), SystemErrorText(EPERM)));
  program.PrepareData();
  try {
    program.SelectMode(Mode::kCpu1);
    ADD_FAILURE() << "saved through another user's link";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), CannotCreateFileText(DataFile("Settings.ini"), SystemErrorText(EPERM)));
  }
  EXPECT_EQ(testing::ReadBytes(rootsFile), "root's own\r\n");
  EXPECT_TRUE(fs::is_symlink(DataFile("Settings.ini")));

  fs::remove(DataFile("Settings.ini"));
  WriteData("Settings.ini", Lines({"2", "F", "F", "0", "1", "F"}));
  ASSERT_EQ(::chown(DataFile("").c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_EQ(StartUpError(), CannotCreateFileText(DataFile("Settings.ini"), SystemErrorText(EPERM)));
  EXPECT_EQ(ReadData("Settings.ini"), Lines({"2", "F", "F", "0", "1", "F"}));
  EXPECT_EQ(ReadData("lang.ini"), Lines({"English"}));
}

}  // namespace
}  // namespace mervale
