// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/languages_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;

// A prefix with bin/ for the executable; each case lays out where language files exist.
struct Layout {
  const char* name;
  bool beside;             // bin/Languages/ is a directory
  bool besideIsFile;       // bin/Languages is a plain file
  bool installed;          // share/mervale/Languages/ is a directory
  const char* expectedIn;  // "bin/Languages" or "share/mervale/Languages"
};

class LanguagesDirTest : public ::testing::TestWithParam<Layout> {};

TEST_P(LanguagesDirTest, FindsTheLanguageFilesFromTheExecutable) {
  const Layout& layout = GetParam();
  testing::TempDir prefix;
  const fs::path bin = prefix.Path() / "bin";
  fs::create_directories(bin);
  if (layout.beside) fs::create_directories(bin / "Languages");
  if (layout.besideIsFile) std::ofstream(bin / "Languages") << "not a directory";
  if (layout.installed) fs::create_directories(prefix.Path() / "share/mervale/Languages");

  const std::string separator(1, fs::path::preferred_separator);
  const std::string found = LanguagesDirFor(bin.string() + separator);

  EXPECT_EQ(found, (prefix.Path() / layout.expectedIn).make_preferred().string() + separator);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LanguagesDirTest,
    ::testing::Values(Layout{"BesideOnly", true, false, false, "bin/Languages"},
                      Layout{"InstalledOnly", false, false, true, "share/mervale/Languages"},
                      Layout{"BothPreferBeside", true, false, true, "bin/Languages"},
                      Layout{"NeitherLooksBeside", false, false, false, "bin/Languages"},
                      Layout{"FileBesideIsNoDirectory", false, true, true,
                             "share/mervale/Languages"}),
    [](const ::testing::TestParamInfo<Layout>& info) { return info.param.name; });

}  // namespace
}  // namespace mervale
