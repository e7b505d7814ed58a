// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/search_path.h"

#include <gtest/gtest.h>

namespace mervale {
namespace {

TEST(SearchPathDirectories, KeepsTheAbsoluteEntriesInTheirOrder) {
  const struct {
    const char* path;
    std::vector<std::string> directories;
  } cases[] = {
      {"/usr/bin:/bin", {"/usr/bin", "/bin"}},
      {"/bin", {"/bin"}},
      {"", {}},
      {":/a::/b/:", {"/a", "/b/"}},
      {"bin:./x:/c", {"/c"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SearchPathDirectories(c.path), c.directories) << c.path;
}

}  // namespace
}  // namespace mervale
