// SPDX-License-Identifier: GPL-3.0-or-later

// Line lists against permissions, links, errno texts and resource limits as Linux has them.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "store/error.h"
#include "store/line_list.h"
#include "store/line_list_file.h"
#include "store/line_search.h"
#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Windows compares them as its code page's letters.
TEST(LineListFind, ComparesLettersOutsideAsciiAsBytes) {
  EXPECT_EQ(FindLine({"\xe4rger"}, "\xc4rger"), -1);
}

TEST(LineListFileExists, FollowsLinks) {
  TempDir dir;
  WriteBytes(dir / "file", "");
  std::filesystem::create_symlink(dir / "file", dir / "link");
  std::filesystem::create_symlink(dir / "gone", dir / "dangling");
  EXPECT_TRUE(FileExists(dir / "link"));
  EXPECT_FALSE(FileExists(dir / "dangling"));
}
TEST(LineListSave, KeepsThePermissionsOfTheReplacedFile) {
  TempDir dir;
  const std::string path = dir / "lang.ini";
  WriteBytes(path, "old\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
  SaveLineList({"English"}, path);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0604u);
  EXPECT_EQ(ReadBytes(path), "English\r\n");
}

TEST(LineListSave, ReplacesTheFileALinkLeadsToAndKeepsTheLink) {
  TempDir dir;
  const std::string target = dir / "real.lst";
  const std::string link = dir / "CPU1_1.lst";
  WriteBytes(target, "old\r\n");
  std::filesystem::create_symlink(target, link);
  SaveLineList({"1000: a.exe"}, link);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadBytes(target), "1000: a.exe\r\n");
}

enum class Obstacle { kReadOnlyFile, kMissingDirectory, kDirectoryInPlace };

TEST(LineListSave, RefusesWhatCannotBeCreatedAndTouchesNothing) {
  const struct {
    Obstacle obstacle;
    int code;
  } cases[] = {
      {Obstacle::kReadOnlyFile, EACCES},
      {Obstacle::kMissingDirectory, ENOENT},
      {Obstacle::kDirectoryInPlace, EISDIR},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string path = dir / "Settings.ini";
    std::vector<std::string> entriesBefore;
    switch (c.obstacle) {
      case Obstacle::kReadOnlyFile:
        WriteBytes(path, "keep\r\n");
        ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
        break;
      case Obstacle::kMissingDirectory:
        path = dir / "missing/Settings.ini";
        break;
      case Obstacle::kDirectoryInPlace:
        std::filesystem::create_directory(path);
        break;
    }
    entriesBefore = dir.Entries();
    try {
      SaveLineList({"new"}, path);
      ADD_FAILURE() << "saved over obstacle " << static_cast<int>(c.obstacle);
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), CannotCreateFileText(path, SystemErrorText(c.code)));
    }
    EXPECT_EQ(dir.Entries(), entriesBefore);
    if (c.obstacle == Obstacle::kReadOnlyFile) {
      EXPECT_EQ(ReadBytes(path), "keep\r\n");
    }
    if (c.obstacle == Obstacle::kDirectoryInPlace) {
      EXPECT_TRUE(std::filesystem::is_directory(path));
    }
  }
}

// Saves under a file-size limit in a child process, as a full disk would cut the write short;
// the child's exit code says which error it saw.
int SaveUnderSizeLimit(const LineList& lines, const std::string& path, rlim_t limit) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit sizeLimit{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &sizeLimit);
    int code = 1;
    try {
      SaveLineList(lines, path);
    } catch (const Error& error) {
      code = std::string(error.what()) == kStreamWriteErrorText ? 0 : 2;
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(LineListSave, ShortWriteReportsStreamErrorAndKeepsThePreviousFile) {
  const LineList lines(2000, std::string(60, 'x'));
  for (const bool previousFile : {true, false}) {
    TempDir dir;
    const std::string path = dir / "CPU1_2.lst";
    if (previousFile) WriteBytes(path, "previous\r\n");
    EXPECT_EQ(SaveUnderSizeLimit(lines, path, 4096), 0);
    if (previousFile) {
      EXPECT_EQ(ReadBytes(path), "previous\r\n");
      EXPECT_EQ(dir.Entries(), std::vector<std::string>{"CPU1_2.lst"});
    } else {
      EXPECT_TRUE(dir.Entries().empty());
    }
  }
}

TEST(LineListLoad, FailureNamesThePathAndLeavesTheListAsItWas) {
  TempDir dir;
  std::filesystem::create_directory(dir / "Skip.dat");
  const struct {
    std::string path;
    int code;
  } cases[] = {
      {dir / "missing.lst", ENOENT},
      {dir / "Skip.dat", EISDIR},
      {dir / "missing/lang.ini", ENOENT},
  };
  for (const auto& c : cases) {
    LineList list{"kept", "lines"};
    try {
      LoadLineList(list, c.path);
      ADD_FAILURE() << "loaded " << c.path;
    } catch (const Error& error) {
      EXPECT_EQ(error.what(), CannotOpenFileText(c.path, SystemErrorText(c.code)));
    }
    EXPECT_EQ(list, (LineList{"kept", "lines"}));
  }
}

}  // namespace
}  // namespace mervale
