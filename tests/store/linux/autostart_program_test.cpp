// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/linux/autostart_program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

enum class Kind { kInstalled, kBuild, kNotExecutable, kLinkIntoBuild };

// Lays out a "mervale" of the kind under `root`; returns the directory that holds it.
fs::path Lay(const fs::path& root, Kind kind, const fs::path& build = {}) {
  const fs::path bin = root / "bin";
  fs::create_directories(bin);
  if (kind == Kind::kLinkIntoBuild) {
    fs::create_symlink(build / "mervale", bin / "mervale");
    return bin;
  }
  std::ofstream(bin / "mervale") << "#!/bin/sh\n";
  if (kind != Kind::kNotExecutable) {
    fs::permissions(bin / "mervale", fs::perms::owner_all, fs::perm_options::add);
  }
  if (kind == Kind::kBuild) {
    fs::create_directories(bin / "Languages");
  } else {
    fs::create_directories(root / "share/mervale/Languages");
  }
  return bin;
}

TEST(AutostartProgramTest, PrefersAnInstalledProgram) {
  const struct {
    const char* what;
    Kind running;
    std::vector<Kind> onPath;  // in PATH order
    int expected;              // -1: the running program, else the index into onPath
  } cases[] = {
      {"the running program is installed", Kind::kInstalled, {Kind::kInstalled}, -1},
      {"a build, an installed one on PATH", Kind::kBuild, {Kind::kInstalled}, 0},
      {"a build, nothing on PATH", Kind::kBuild, {}, -1},
      {"a build, only builds on PATH", Kind::kBuild, {Kind::kBuild}, -1},
      {"a link on PATH into the build", Kind::kBuild, {Kind::kLinkIntoBuild}, -1},
      {"not executable, then installed", Kind::kBuild, {Kind::kNotExecutable, Kind::kInstalled}, 1},
      {"first installed one wins", Kind::kBuild, {Kind::kInstalled, Kind::kInstalled}, 0},
  };
  for (const auto& c : cases) {
    TempDir root;
    const fs::path running = Lay(root.Path() / "running", c.running) / "mervale";
    // An installed program behind a relative entry, ignored, as is the empty entry.
    const fs::path workingDir = fs::current_path();
    fs::current_path(root.Path());
    Lay("relative", Kind::kInstalled);
    std::string searchPath = "relative/bin:";
    std::vector<fs::path> candidates;
    for (std::size_t i = 0; i < c.onPath.size(); ++i) {
      const fs::path bin =
          Lay(root.Path() / ("path" + std::to_string(i)), c.onPath[i], running.parent_path());
      candidates.push_back(bin / "mervale");
      searchPath += ":" + bin.string();
    }

    const std::string chosen = AutostartProgram(running.string(), searchPath);
    fs::current_path(workingDir);

    EXPECT_EQ(chosen, c.expected < 0 ? running.string()
                                     : candidates[static_cast<std::size_t>(c.expected)].string())
        << c.what;
  }
}

}  // namespace
}  // namespace mervale
