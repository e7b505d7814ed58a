// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/temporary_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "store/line_list_file.h"
#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(TemporaryFiles, OnlyTheNamesOfSavesOfDataFilesCount) {
  const struct {
    const char* name;
    bool ours;
  } cases[] = {
      {"Settings.ini.4242-0.tmp", true},
      {"lang.ini.1-99.tmp", true},
      {"Skip.dat.7-3.tmp", true},
      {"CPU1_0.lst.5-1.tmp", true},
      {"CPU1_-1.lst.5-1.tmp", true},
      {"CPU1_12.lst.5-1.tmp", true},
      {"Settings.ini.tmp", false},
      {"Settings.ini.4242.tmp", false},
      {"Settings.ini.4242-.tmp", false},
      {"Settings.ini.-4242-0.tmp", false},
      {"Settings.ini.42a-0.tmp", false},
      {"Settings.ini.4242-0.tmp.bak", false},
      {"settings.ini.4242-0.tmp", false},
      {"notes.txt.4242-0.tmp", false},
      {"Mervale.desktop.4242-0.tmp", false},
      {"CPU1_.lst.4242-0.tmp", false},
      {"CPU1_x.lst.4242-0.tmp", false},
      {"CPU1_0.lst", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsDataTemporaryFileName(c.name), c.ours) << c.name;
  for (const char* file : {"Settings.ini", "lang.ini", "Skip.dat", "CPU1_8.lst"}) {
    EXPECT_TRUE(IsDataTemporaryFileName(TemporaryFileName(file, 4194304, 99))) << file;
  }
}

}  // namespace
}  // namespace mervale
