// SPDX-License-Identifier: GPL-3.0-or-later

// The clean-up of abandoned saves against what a Linux data directory may hold (locked files,
// links, directories of another owner), and saves killed at random moments.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "store/line_list.h"
#include "store/line_list_file.h"
#include "store/temporary_files.h"
#include "tests/store/linux/child_process.h"
#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

#define REQUIRE_ROOT() \
  if (::geteuid() != 0) GTEST_SKIP() << "a directory of another owner needs an administrator"

// What a data directory may hold beside the program's files, and what a clean-up leaves of it.
struct Entry {
  const char* name;
  enum Kind { kFile, kHeldFile, kDirectory, kLink } kind;
  bool kept;
};

constexpr Entry kEntries[] = {
    {"Settings.ini", Entry::kFile, true},
    {"Settings.ini.4242-0.tmp", Entry::kFile, false},
    {"CPU1_3.lst.99-1.tmp", Entry::kFile, false},
    {"Skip.dat.4243-0.tmp", Entry::kHeldFile, true},  // a save still running
    {"Settings.ini.tmp", Entry::kFile, true},
    {"notes.4242-0.tmp", Entry::kFile, true},
    {"lang.ini.1-0.tmp", Entry::kDirectory, true},
    {"lang.ini.2-0.tmp", Entry::kLink, true},
};

// Builds the entries; the returned descriptors hold the "held" files locked as a running save does.
std::vector<int> Populate(const TempDir& dir, const std::string& outside) {
  std::vector<int> held;
  for (const Entry& entry : kEntries) {
    const std::string path = dir / entry.name;
    switch (entry.kind) {
      case Entry::kFile:
      case Entry::kHeldFile:
        WriteBytes(path, "half a save");
        if (entry.kind == Entry::kHeldFile) {
          held.push_back(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
          ::flock(held.back(), LOCK_EX);
        }
        break;
      case Entry::kDirectory:
        fs::create_directory(path);
        break;
      case Entry::kLink:
        fs::create_symlink(outside, path);
        break;
    }
  }
  return held;
}

std::vector<std::string> Kept(bool all) {
  std::vector<std::string> names;
  for (const Entry& entry : kEntries) {
    if (all || entry.kept) names.push_back(entry.name);
  }
  std::ranges::sort(names);
  return names;
}

TEST(TemporaryFiles, TheCleanUpRemovesOnlyAbandonedSavesOfItsOwnDirectory) {
  TempDir outsideDir;
  const std::string outside = outsideDir / "Settings.ini.4242-0.tmp";
  WriteBytes(outside, "not in the data directory");
  TempDir dir;
  const std::vector<int> held = Populate(dir, outside);
  RemoveAbandonedTemporaryFiles(dir.Path().string() + "/");
  EXPECT_EQ(dir.Entries(), Kept(false));
  EXPECT_EQ(ReadBytes(outside), "not in the data directory");
  for (const int fd : held) ::close(fd);
}

TEST(TemporaryFiles, TheCleanUpLeavesADirectoryOfAnotherUserAlone) {
  REQUIRE_ROOT();
  TempDir dir;
  const std::vector<int> held = Populate(dir, dir / "Settings.ini");
  ASSERT_EQ(::chown(dir.Path().c_str(), testing::kOtherUser, testing::kOtherUser), 0);
  RemoveAbandonedTemporaryFiles(dir.Path().string() + "/");
  EXPECT_EQ(dir.Entries(), Kept(true));
  for (const int fd : held) ::close(fd);
}

// A save loop killed at random moments: the file is always one whole version or the other, and
// whatever the kills left behind is gone after the clean-up.
TEST(TemporaryFiles, KilledSavesNeverTearTheFileAndTheirLeftoversAreCleanedUp) {
  TempDir dir;
  const std::string path = dir / "Settings.ini";
  const LineList first(20000, "first version");
  const LineList second(30000, "second");
  SaveLineList(first, path);
  std::mt19937 random(20261207);
  int leftovers = 0;
  for (int kill = 0; kill < 60; ++kill) {
    const pid_t child = ::fork();
    if (child == 0) {
      for (int i = 0;; ++i) SaveLineList(i % 2 == 0 ? second : first, path);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const std::string bytes = ReadBytes(path);
    ASSERT_TRUE(bytes == JoinLines(first) || bytes == JoinLines(second))
        << "a torn file of " << bytes.size() << " bytes after kill " << kill;
    leftovers += static_cast<int>(dir.Entries().size()) - 1;
    RemoveAbandonedTemporaryFiles(dir.Path().string() + "/");
    ASSERT_EQ(dir.Entries(), std::vector<std::string>{"Settings.ini"}) << "after kill " << kill;
  }
  RecordProperty("leftovers cleaned up", leftovers);
}

}  // namespace
}  // namespace mervale
