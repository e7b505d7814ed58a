// SPDX-License-Identifier: GPL-3.0-or-later

// Files that are not what they seem: links and data directories that another user controls, and
// FIFOs, sockets and devices in place of a file. Ownership needs an administrator to arrange; those
// tests are skipped without one.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "store/error.h"
#include "store/line_list.h"
#include "store/line_list_file.h"
#include "tests/store/linux/child_process.h"
#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;
using testing::kOtherUser;
using testing::kThirdUser;
using testing::ReadBytes;
using testing::RunInChild;
using testing::TempDir;
using testing::WriteBytes;

constexpr const char* kRootsFile = "root's own\r\n";

#define REQUIRE_ROOT() \
  if (::geteuid() != 0) GTEST_SKIP() << "files of another owner need an administrator"

void Own(const std::string& path, uid_t owner) {
  ASSERT_EQ(::lchown(path.c_str(), owner, owner), 0) << path;
}

// What one save or load ended with: "" when it went through, else the error text.
std::string Outcome(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return {};
}

// Every path under the directory, links as links (not followed), with the link's target.
std::vector<std::string> Tree(const TempDir& dir) {
  std::vector<std::string> paths;
  for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
    paths.push_back(entry.path().string());
    if (entry.is_symlink()) paths.back() += " -> " + fs::read_symlink(entry.path()).string();
  }
  std::ranges::sort(paths);
  return paths;
}

// A data directory "data" beside a file "victim" of root's, which a planted link may lead to.
struct Scene {
  Scene() {
    fs::create_directory(dir / "data");
    WriteBytes(victim, kRootsFile);
  }
  TempDir dir;
  std::string data = dir / "data";
  std::string file = dir / "data/Settings.ini";
  std::string victim = dir / "victim";
};

struct LinkCase {
  const char* what;
  std::function<void(Scene&)> plant;
  int saveError;  // 0: the save goes through to the victim
  int loadError;  // for a load as root; 0: it reads the victim
};

const LinkCase kLinkCases[] = {
    {"a link of another user",
     [](Scene& s) {
       fs::create_symlink(s.victim, s.file);
       Own(s.file, kOtherUser);
     },
     EPERM, EPERM},
    {"a link of root's", [](Scene& s) { fs::create_symlink(s.victim, s.file); }, 0, 0},
    {"root's link to another user's link",
     [](Scene& s) {
       fs::create_symlink(s.victim, s.dir / "hop");
       Own(s.dir / "hop", kOtherUser);
       fs::create_symlink(s.dir / "hop", s.file);
     },
     EPERM, EPERM},
    {"a relative link of another user",
     [](Scene& s) {
       fs::create_symlink("../victim", s.file);
       Own(s.file, kOtherUser);
     },
     EPERM, EPERM},
    {"a directory on the way that is another user's link",
     [](Scene& s) {
       fs::remove(s.data);
       fs::create_directory(s.dir / "real");
       fs::create_symlink(s.victim, s.dir / "real/Settings.ini");
       fs::create_directory_symlink(s.dir / "real", s.data);
       Own(s.data, kOtherUser);
     },
     EPERM, EPERM},
    // Reads do not judge directories: only a link can lead them to a file of its owner's choosing.
    {"a data directory of another user",
     [](Scene& s) {
       fs::copy_file(s.victim, s.file);
       Own(s.data, kOtherUser);
     },
     EPERM, 0},
    // Anyone could plant a link there between the check and the save.
    {"a data directory everyone may write to",
     [](Scene& s) {
       fs::copy_file(s.victim, s.file);
       fs::permissions(s.data, fs::perms::all | fs::perms::sticky_bit);
     },
     EPERM, 0},
};

TEST(HostilePaths, RootNeverWritesThroughAnotherUsersLinkOrIntoTheirDirectory) {
  REQUIRE_ROOT();
  for (const LinkCase& c : kLinkCases) {
    Scene scene;
    c.plant(scene);
    const std::vector<std::string> before = Tree(scene.dir);
    const std::string error = Outcome([&] { SaveLineList({"4", "F"}, scene.file); });
    if (c.saveError != 0) {
      EXPECT_EQ(error, CannotCreateFileText(scene.file, SystemErrorText(c.saveError))) << c.what;
      EXPECT_EQ(ReadBytes(scene.victim), kRootsFile) << c.what;
    } else {
      EXPECT_EQ(error, "") << c.what;
      EXPECT_EQ(ReadBytes(scene.victim), "4\r\nF\r\n") << c.what;
      EXPECT_TRUE(fs::is_symlink(scene.file)) << c.what;
    }
    EXPECT_EQ(Tree(scene.dir), before) << c.what << ": links replaced or files left behind";
  }
}

TEST(HostilePaths, RootReadsThroughNoLinkOfAnotherUser) {
  REQUIRE_ROOT();
  for (const LinkCase& c : kLinkCases) {
    Scene scene;
    c.plant(scene);
    LineList lines{"kept"};
    const std::string error = Outcome([&] { LoadLineList(lines, scene.file); });
    if (c.loadError != 0) {
      EXPECT_EQ(error, CannotOpenFileText(scene.file, SystemErrorText(c.loadError))) << c.what;
      EXPECT_EQ(lines, LineList{"kept"}) << c.what;
    } else {
      EXPECT_EQ(error, "") << c.what;
      EXPECT_EQ(lines, LineList{"root's own"}) << c.what;
    }
  }
}

// An ordinary user keeps the links it set, and root's; another user's link is not written
// through, while reading through it stays as it was (the user can only read what it may).
TEST(HostilePaths, AUserFollowsItsOwnLinksAndRootsButWritesThroughNoOtherUsers) {
  REQUIRE_ROOT();
  TempDir dir;
  const std::string data = dir / "data";
  fs::create_directory(data);
  Own(data, kOtherUser);
  const struct {
    const char* name;
    uid_t linkOwner;
    int saveError;
  } cases[] = {
      {"own.lst", kOtherUser, 0},
      {"roots.lst", 0, 0},
      {"third.lst", kThirdUser, EPERM},
  };
  for (const auto& c : cases) {
    const std::string target = data + "/target-" + c.name;
    WriteBytes(target, "before\r\n");
    Own(target, kOtherUser);
    fs::create_symlink(target, data + "/" + c.name);
    Own(data + "/" + c.name, c.linkOwner);
  }
  for (const auto& c : cases) {
    const std::string link = data + "/" + c.name;
    const auto outcome = RunInChild([&] {
      if (!testing::BecomeUser(kOtherUser)) return std::string("could not become the user");
      LineList lines;
      const std::string load = Outcome([&] { LoadLineList(lines, link); });
      const std::string save = Outcome([&] { SaveLineList({"after"}, link); });
      return load + "|" + (lines.empty() ? "" : lines.front()) + "|" + save;
    });
    const std::string expectedSave =
        c.saveError == 0 ? "" : CannotCreateFileText(link, SystemErrorText(c.saveError));
    EXPECT_EQ(outcome, "|before|" + expectedSave) << c.name;
    EXPECT_EQ(ReadBytes(data + "/target-" + c.name), c.saveError == 0 ? "after\r\n" : "before\r\n")
        << c.name;
  }
}

// A FIFO without a writer would block the open, or the read, for good; a device may never end.
TEST(HostilePaths, OnlyRegularFilesAreReadAndNothingBlocks) {
  TempDir dir;
  const std::string fifo = dir / "English.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::string device = dir / "Skip.dat";
  fs::create_symlink("/dev/zero", device);
  const std::string socket = dir / "lang.ini";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socket.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  const std::string directory = dir / "CPU1_0.lst";
  fs::create_directory(directory);

  const struct {
    std::string path;
    int code;
  } cases[] = {{fifo, EINVAL}, {device, EINVAL}, {socket, EINVAL}, {directory, EISDIR}};
  for (const auto& c : cases) {
    const auto outcome = RunInChild([&] {
      LineList lines{"kept"};
      return Outcome([&] { LoadLineList(lines, c.path); }) + "|" + lines.front();
    });
    EXPECT_EQ(outcome, CannotOpenFileText(c.path, SystemErrorText(c.code)) + "|kept") << c.path;
    EXPECT_FALSE(FileExists(c.path)) << c.path;
  }
  ::close(listener);
}

}  // namespace
}  // namespace mervale
