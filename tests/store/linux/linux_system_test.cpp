// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/linux/linux_system.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "store/error.h"
#include "tests/store/temp_dir.h"

namespace mervale {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using Environment = std::map<std::string, std::optional<std::string>>;

// Each test sets the variables it reads; the originals come back afterwards.
class LinuxSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* value = std::getenv(name);
      saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
  }
  void TearDown() override { Apply(saved_); }

  static void Apply(const Environment& environment) {
    for (const auto& [name, value] : environment) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }

  // Points the configuration directory at `dir` for the rest of the test.
  static void UseConfigHome(const TempDir& dir) {
    Apply({{"XDG_CONFIG_HOME", dir.Path().string()}, {"HOME", "/nonexistent-home"}});
  }

  LinuxSystemServices system_;

 private:
  Environment saved_;
};

TEST_F(LinuxSystemTest, DataDirFollowsXdgConfigHomeThenHome) {
  const struct {
    Environment environment;
    std::optional<std::string> dataDir;
  } cases[] = {
      {{{"XDG_CONFIG_HOME", std::nullopt}, {"HOME", "/home/u"}}, "/home/u/.config/Mervale/"},
      {{{"XDG_CONFIG_HOME", "/x/cfg"}, {"HOME", "/home/u"}}, "/x/cfg/Mervale/"},
      {{{"XDG_CONFIG_HOME", "/x/cfg/"}, {"HOME", std::nullopt}}, "/x/cfg/Mervale/"},
      {{{"XDG_CONFIG_HOME", ""}, {"HOME", "/home/u/"}}, "/home/u/.config/Mervale/"},
      {{{"XDG_CONFIG_HOME", std::nullopt}, {"HOME", "/"}}, "/.config/Mervale/"},
      {{{"XDG_CONFIG_HOME", "/"}, {"HOME", "/home/u"}}, "/Mervale/"},
      {{{"XDG_CONFIG_HOME", std::nullopt}, {"HOME", std::nullopt}}, std::nullopt},
      {{{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "home"}}, std::nullopt},
      {{{"XDG_CONFIG_HOME", std::nullopt}, {"HOME", ""}}, std::nullopt},
  };
  for (const auto& c : cases) {
    Apply(c.environment);
    EXPECT_EQ(system_.DataDir(), c.dataDir) << ::testing::PrintToString(c.environment);
  }
}

TEST_F(LinuxSystemTest, ExecutablePathNamesThisTestProgram) {
  const std::string path = system_.ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_EQ(std::filesystem::path(path).filename(), program_invocation_short_name);
  const std::string dir = system_.ExecutableDir();
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(dir + program_invocation_short_name, path);
}

// Reads an Exec value back as a desktop environment would: string escapes first, then the
// quoting of the one argument, then the doubled percent signs.
std::optional<std::string> DecodeExecArgument(const std::string& value) {
  std::string unescaped;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\') {
      unescaped += value[i];
      continue;
    }
    if (++i == value.size()) return std::nullopt;
    const std::map<char, char> escapes{
        {'\\', '\\'}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'s', ' '}};
    const auto escape = escapes.find(value[i]);
    if (escape == escapes.end()) return std::nullopt;
    unescaped += escape->second;
  }
  if (unescaped.size() < 2 || unescaped.front() != '"' || unescaped.back() != '"') {
    return std::nullopt;
  }
  std::string argument;
  for (std::size_t i = 1; i + 1 < unescaped.size(); ++i) {
    char character = unescaped[i];
    if (character == '\\') {
      character = unescaped[++i];
      if (std::string_view("\"`$\\").find(character) == std::string_view::npos) return std::nullopt;
    } else if (character == '"' || character == '`' || character == '$') {
      return std::nullopt;  // must have been escaped
    } else if (character == '%') {
      if (unescaped[++i] != '%') return std::nullopt;  // a field code
    }
    argument += character;
  }
  return argument;
}

std::string ExecValueOf(const std::string& entry) {
  const auto start = entry.find("\nExec=");
  if (start == std::string::npos) return {};
  const auto valueStart = start + 6;
  return entry.substr(valueStart, entry.find('\n', valueStart) - valueStart);
}

TEST_F(LinuxSystemTest, AutostartEntryQuotesAndEscapesTheExecutablePath) {
  const struct {
    std::string path;
    std::string exec;
  } cases[] = {
      {"/opt/mervale/mervale", R"("/opt/mervale/mervale")"},
      {"/opt/my apps/mervale", R"("/opt/my apps/mervale")"},
      {R"(/opt/a"b/mervale)", R"("/opt/a\\"b/mervale")"},
      {"/opt/$HOME/mervale", R"("/opt/\\$HOME/mervale")"},
      {"/opt/back`tick/mervale", R"("/opt/back\\`tick/mervale")"},
      {R"(/opt/back\slash/mervale)", R"("/opt/back\\\\slash/mervale")"},
      {"/opt/100%/mervale %f", R"("/opt/100%%/mervale %%f")"},
      {"/opt/it's; (odd) & <more>|~*?#/mervale", R"("/opt/it's; (odd) & <more>|~*?#/mervale")"},
      {"/opt/new\nline\ttab/mervale", R"("/opt/new\nline\ttab/mervale")"},
      {"/opt/\xc3\xa4/mervale", "\"/opt/\xc3\xa4/mervale\""},
  };
  for (const auto& c : cases) {
    const std::string entry = AutostartEntryText(c.path);
    EXPECT_EQ(ExecValueOf(entry), c.exec) << c.path;
    EXPECT_EQ(DecodeExecArgument(ExecValueOf(entry)), c.path) << c.path;
  }
}

TEST_F(LinuxSystemTest, WriteAutostartCreatesAPlainDesktopEntry) {
  TempDir config;
  UseConfigHome(config);
  system_.WriteAutostart("/opt/my apps/mervale");
  const std::string entry = ReadBytes(config / "autostart/Mervale.desktop");
  EXPECT_TRUE(entry.starts_with("[Desktop Entry]\n"));
  EXPECT_EQ(entry.find('\r'), std::string::npos);
  EXPECT_TRUE(entry.ends_with("\n"));
  // The icon is the one the install puts into the theme, named as there.
  for (const char* line : {"\nType=Application\n", "\nName=Mervale\n",
                           "\nIcon=" MERVALE_APP_ID "\n", "\nTryExec=/opt/my apps/mervale\n"}) {
    EXPECT_NE(entry.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(DecodeExecArgument(ExecValueOf(entry)), "/opt/my apps/mervale");

  // Moving the program and writing again replaces the old path.
  system_.WriteAutostart("/usr/local/bin/mervale");
  EXPECT_EQ(DecodeExecArgument(ExecValueOf(ReadBytes(config / "autostart/Mervale.desktop"))),
            "/usr/local/bin/mervale");
  EXPECT_EQ(config.Entries(), std::vector<std::string>{"autostart"});
  EXPECT_EQ(std::filesystem::directory_iterator(config / "autostart")->path().filename(),
            "Mervale.desktop");
}

TEST_F(LinuxSystemTest, WriteAutostartFailsWithTheSetDataText) {
  enum class Obstacle { kNoConfigHome, kEntryIsDirectory, kConfigHomeIsFile, kEmptyPath };
  for (const auto obstacle : {Obstacle::kNoConfigHome, Obstacle::kEntryIsDirectory,
                              Obstacle::kConfigHomeIsFile, Obstacle::kEmptyPath}) {
    TempDir config;
    std::string executable = "/opt/mervale/mervale";
    switch (obstacle) {
      case Obstacle::kNoConfigHome:
        Apply({{"XDG_CONFIG_HOME", std::nullopt}, {"HOME", std::nullopt}});
        break;
      case Obstacle::kEntryIsDirectory:
        UseConfigHome(config);
        std::filesystem::create_directories(config / "autostart/Mervale.desktop");
        break;
      case Obstacle::kConfigHomeIsFile:
        WriteBytes(config / "file", "");
        Apply({{"XDG_CONFIG_HOME", config / "file"}});
        break;
      case Obstacle::kEmptyPath:
        UseConfigHome(config);
        executable.clear();
        break;
    }
    try {
      system_.WriteAutostart(executable);
      ADD_FAILURE() << "wrote autostart despite obstacle " << static_cast<int>(obstacle);
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Fehler beim Setzen der Daten für 'Mervale'");
    }
    EXPECT_FALSE(std::filesystem::is_regular_file(config / "autostart/Mervale.desktop"));
  }
}

// At start the installed program brings its entry up to date; a build leaves it, an entry naming
// the running program stays as the user keeps it, and no entry stays none.
TEST_F(LinuxSystemTest, StartBringsTheEntryUpToDateForTheInstalledProgramOnly) {
  TempDir config;
  UseConfigHome(config);
  TempDir programs;
  std::filesystem::create_directories(programs / "usr/share/mervale/Languages");
  std::filesystem::create_directories(programs / "build/app/Languages");
  const std::string installed = programs / "usr/bin/mervale";
  const std::string build = programs / "build/app/mervale";
  const std::string entry = config / "autostart/Mervale.desktop";

  system_.BringAutostartUpToDate(installed);
  EXPECT_FALSE(std::filesystem::exists(entry));
  std::filesystem::create_directories(config / "autostart");
  WriteBytes(entry, AutostartEntryText(build));
  system_.BringAutostartUpToDate(installed);
  EXPECT_EQ(DecodeExecArgument(ExecValueOf(ReadBytes(entry))), installed);
  system_.BringAutostartUpToDate(build);
  EXPECT_EQ(DecodeExecArgument(ExecValueOf(ReadBytes(entry))), installed);
  const std::string kept = ReadBytes(entry) + "X-GNOME-Autostart-Delay=5\n";
  WriteBytes(entry, kept);
  system_.BringAutostartUpToDate(installed);
  EXPECT_EQ(ReadBytes(entry), kept);
}

TEST_F(LinuxSystemTest, DeleteAutostartRemovesOnlyTheEntryAndAcceptsAMissingOne) {
  TempDir config;
  UseConfigHome(config);
  EXPECT_NO_THROW(system_.DeleteAutostart());  // no autostart folder at all
  system_.WriteAutostart("/opt/mervale/mervale");
  WriteBytes(config / "autostart/other.desktop", "[Desktop Entry]\n");
  system_.DeleteAutostart();
  EXPECT_FALSE(std::filesystem::exists(config / "autostart/Mervale.desktop"));
  EXPECT_TRUE(std::filesystem::exists(config / "autostart/other.desktop"));
  EXPECT_NO_THROW(system_.DeleteAutostart());
}

TEST_F(LinuxSystemTest, SystemLocaleNameIsTheMessagesLocaleByPosixPrecedence) {
  const std::optional<std::string> unset;
  const struct {
    Environment environment;
    const char* name;
  } cases[] = {
      {{{"LC_ALL", "ar_EG.UTF-8"}, {"LC_MESSAGES", "de_DE"}, {"LANG", "fr_FR"}}, "ar_EG.UTF-8"},
      {{{"LC_ALL", unset}, {"LC_MESSAGES", "tr_TR.UTF-8"}, {"LANG", "de_DE"}}, "tr_TR.UTF-8"},
      {{{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "fa_IR"}}, "fa_IR"},
      {{{"LC_ALL", unset}, {"LC_MESSAGES", unset}, {"LANG", unset}}, ""},
  };
  for (const auto& c : cases) {
    Apply(c.environment);
    EXPECT_EQ(system_.SystemLocaleName(), c.name) << ::testing::PrintToString(c.environment);
  }
}

TEST_F(LinuxSystemTest, CreateDirectoriesMakesParentsAndIgnoresFailures) {
  TempDir dir;
  system_.CreateDirectories(dir / "a/b/c/");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a/b/c"));
  WriteBytes(dir / "file", "");
  EXPECT_NO_THROW(system_.CreateDirectories(dir / "file/sub"));
  EXPECT_TRUE(std::filesystem::is_regular_file(dir / "file"));
}

}  // namespace
}  // namespace mervale
