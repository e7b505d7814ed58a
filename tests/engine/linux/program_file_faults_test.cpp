// SPDX-License-Identifier: GPL-3.0-or-later

// The program's saves and loads against a real file system that misbehaves: a full disk, a
// read-only or immutable data directory, a directory where a file belongs, a data directory that
// is gone, files that vanish while they are being loaded, and hand-edited files. Whatever fails,
// the user is told with the file's error text, and what the user had on disk is still there.
// Mounts, namespaces and immutable files are Linux's; the Windows build leaves this file out.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>

#include <unistd.h>

#include "engine/set_menus.h"
#include "store/error.h"
#include "tests/engine/program_fixture.h"
#include "tests/store/linux/mount_sandbox.h"

namespace mervale {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using testing::EnterPrivateMountNamespace;
using testing::SetImmutable;
using testing::TmpfsMount;

// The four files the user's actions save, and the action that saves each.
enum class Saved { kSettings, kProfile, kExclusions, kLanguageChoice };
constexpr Saved kEverySave[] = {Saved::kSettings, Saved::kProfile, Saved::kExclusions,
                                Saved::kLanguageChoice};

std::string FileNameOf(Saved saved) {
  switch (saved) {
    case Saved::kSettings:
      return "Settings.ini";
    case Saved::kProfile:
      return "CPU1_0.lst";
    case Saved::kExclusions:
      return "Skip.dat";
    case Saved::kLanguageChoice:
      return "lang.ini";
  }
  return {};
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return {};
}

class FileFaults : public ProgramTest {
 protected:
  void SetUp() override {
    WriteData("Settings.ini", Lines({"2", "F", "F", "0", "3", "T"}));
    WriteData("CPU1_0.lst", Lines({"1000: alpha.exe", "0011: beta.exe"}));
    WriteData("Skip.dat", Lines({"gamma.exe"}));
    WriteData("lang.ini", Lines({"English"}));
    StartUp();
    for (const Saved saved : kEverySave) stored[saved] = ReadData(FileNameOf(saved));
  }

  // Each action also changes what it saves, so a save that went through would show.
  void Save(Saved saved) {
    switch (saved) {
      case Saved::kSettings:
        program.SetRefreshText(std::to_string(++settingsSaves));
        break;
      case Saved::kProfile:
        SelectRows({300});
        program.ApplySetToSelected(SetOf(CpuFlags{1, 0, 0, 0}), true);
        break;
      case Saved::kExclusions:
        SelectRows({200});
        program.ExcludeSelected();
        break;
      case Saved::kLanguageChoice:
        program.SelectLanguage("Deutsch");
        break;
    }
  }

  // Every save fails with `expectedText(path)`; unless the test took the files away itself, each
  // one is still the file the user had, with the same bytes.
  void ExpectEverySaveRefused(const std::function<std::string(const std::string&)>& expectedText) {
    for (const Saved saved : kEverySave) {
      const std::string name = FileNameOf(saved);
      EXPECT_EQ(ErrorOf([&] { Save(saved); }), expectedText(DataFile(name))) << name;
      if (filesTakenAway) continue;
      EXPECT_TRUE(std::filesystem::is_regular_file(DataFile(name))) << name;
      EXPECT_EQ(ReadData(name), stored[saved]) << name;
      // and the window shows the lists as their files hold them.
      EXPECT_EQ(view.profileList, SplitLines(stored[Saved::kProfile])) << name;
      EXPECT_EQ(view.exclusionList, SplitLines(stored[Saved::kExclusions])) << name;
    }
  }
  void ExpectEverySaveWorks() {
    for (const Saved saved : kEverySave) {
      const std::string name = FileNameOf(saved);
      EXPECT_EQ(ErrorOf([&] { Save(saved); }), "") << name;
      EXPECT_NE(ReadData(name), stored[saved]) << name;
    }
  }

  std::vector<std::string> DataEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(DataFile(""))) {
      names.push_back(entry.path().filename().string());
    }
    std::ranges::sort(names);
    return names;
  }

  // Puts the data directory on a memory file system of `bytes`, with the files it held.
  std::unique_ptr<TmpfsMount> DataDirOnTmpfs(std::size_t bytes) {
    std::map<std::string, std::string> files;
    for (const std::string& name : DataEntries()) files[name] = ReadData(name);
    auto mount = std::make_unique<TmpfsMount>(DataFile(""), bytes);
    if (mount->Error() != 0) return nullptr;
    for (const auto& [name, bytesOfFile] : files) WriteData(name, bytesOfFile);
    return mount;
  }

  std::map<Saved, std::string> stored;
  bool filesTakenAway = false;
  int settingsSaves = 10;
};

// Deletes a file at a set moment, from a thread of its own, so that it can disappear between the
// program's existence test and its load.
class FileRemover {
 public:
  FileRemover() : thread_([this] { Run(); }) {}
  FileRemover(const FileRemover&) = delete;
  FileRemover& operator=(const FileRemover&) = delete;
  ~FileRemover() {
    state_ = kStopping;
    thread_.join();
  }

  // Deletes `path` once `delay` has passed from now; returns at once.
  void RemoveAfter(const std::string& path, std::chrono::nanoseconds delay) {
    path_ = path;
    deadline_ = std::chrono::steady_clock::now() + delay;
    state_ = kArmed;
  }
  // Returns once an armed removal has happened.
  void Wait() {
    while (state_ == kArmed) std::this_thread::yield();
  }

 private:
  enum State { kIdle, kArmed, kStopping };
  void Run() {
    for (;;) {
      const State state = state_;
      if (state == kStopping) return;
      if (state != kArmed) continue;
      while (std::chrono::steady_clock::now() < deadline_) {
      }
      std::filesystem::remove(path_);
      state_ = kIdle;
    }
  }

  std::string path_;
  std::chrono::steady_clock::time_point deadline_;
  std::atomic<State> state_ = kIdle;
  std::thread thread_;
};

// Replaces a directory by a link to a fresh one on a memory file system, where there is one.
class MemoryBackedDataDir {
 public:
  explicit MemoryBackedDataDir(const std::string& directory) {
    std::error_code error;
    if (!std::filesystem::is_directory("/dev/shm", error)) return;
    memory_ = "/dev/shm/mervale-test-" + std::to_string(::getpid());
    std::filesystem::create_directories(memory_);
    const std::filesystem::path link = std::filesystem::path(directory).parent_path();
    std::filesystem::remove_all(link);
    std::filesystem::create_directory_symlink(memory_, link);
  }
  MemoryBackedDataDir(const MemoryBackedDataDir&) = delete;
  MemoryBackedDataDir& operator=(const MemoryBackedDataDir&) = delete;
  ~MemoryBackedDataDir() {
    std::error_code ignored;
    if (!memory_.empty()) std::filesystem::remove_all(memory_, ignored);
  }

 private:
  std::string memory_;
};

// Lets a test act at the moment the profile list is shown, the step just before the language
// choice is read at start-up.
class HookedView : public FakeProgramView {
 public:
  void ShowProfileList(const LineList& entries) override {
    FakeProgramView::ShowProfileList(entries);
    if (onShowProfileList) onShowProfileList();
  }
  std::function<void()> onShowProfileList;
};

// One load whose file is taken away: how to arrange it and how to tell its outcomes apart.
struct VanishingLoad {
  std::string file;
  std::function<void()> prepare;
  // Runs the load, calling `arm` right before the file's existence test.
  std::function<void(Program&, HookedView&, const std::function<void()>& arm)> load;
  // The file was read in full.
  std::function<bool(const Program&, const HookedView&)> loaded;
  // Nothing changed: what a failed load must leave.
  std::function<bool(const Program&, const HookedView&)> untouched;
};

#define REQUIRE_PRIVATE_MOUNTS()                                                       \
  if (const int error = EnterPrivateMountNamespace(); error != 0)                      \
  GTEST_SKIP() << "no mount namespace of our own (" << SystemErrorText(error) << "); " \
               << "these faults need an administrator"

TEST_F(FileFaults, AFullDiskKeepsEveryPreviousFileAndLeavesNothingBehind) {
  REQUIRE_PRIVATE_MOUNTS();
  const auto mount = DataDirOnTmpfs(64 * 1024);
  ASSERT_NE(mount, nullptr);
  const std::string filler = DataFile("filler");
  ASSERT_TRUE(testing::FillUp(filler));
  const std::vector<std::string> entries = DataEntries();

  ExpectEverySaveRefused([](const std::string&) { return kStreamWriteErrorText; });
  EXPECT_EQ(DataEntries(), entries) << "a half-written file was left behind";

  std::filesystem::remove(filler);
  ExpectEverySaveWorks();
}

TEST_F(FileFaults, AReadOnlyDataDirectoryRefusesEverySaveAndStartUp) {
  REQUIRE_PRIVATE_MOUNTS();
  const auto mount = DataDirOnTmpfs(1024 * 1024);
  ASSERT_NE(mount, nullptr);
  ASSERT_EQ(mount->RemountReadOnly(), 0);
  const auto readOnly = [](const std::string& path) {
    return CannotCreateFileText(path, SystemErrorText(EROFS));
  };
  ExpectEverySaveRefused(readOnly);

  // The next start restores the options, and the first save among them reports the fault.
  FakeProgramView nextView;
  Program next(machine, system, nextView);
  next.PrepareData();
  next.LoadExclusionList();
  EXPECT_EQ(ErrorOf([&] { next.LoadSettings(); }), readOnly(DataFile("Settings.ini")));
  EXPECT_EQ(nextView.exclusionList, LineList{"gamma.exe"});
  EXPECT_EQ(nextView.captions[CaptionTarget::kExitItem], "en28");
  for (const Saved saved : kEverySave) EXPECT_EQ(ReadData(FileNameOf(saved)), stored[saved]);
}

TEST_F(FileFaults, ImmutableFilesAndAnImmutableDirectoryRefuseEverySave) {
  REQUIRE_PRIVATE_MOUNTS();
  const auto mount = DataDirOnTmpfs(1024 * 1024);
  ASSERT_NE(mount, nullptr);
  const auto notPermitted = [](const std::string& path) {
    return CannotCreateFileText(path, SystemErrorText(EPERM));
  };
  for (const Saved saved : kEverySave) {
    if (const int error = SetImmutable(DataFile(FileNameOf(saved)), true)) {
      GTEST_SKIP() << "no immutable attribute here: " << SystemErrorText(error);
    }
  }
  ExpectEverySaveRefused(notPermitted);

  for (const Saved saved : kEverySave) {
    ASSERT_EQ(SetImmutable(DataFile(FileNameOf(saved)), false), 0);
  }
  ASSERT_EQ(SetImmutable(DataFile(""), true), 0);
  ExpectEverySaveRefused(notPermitted);
  ASSERT_EQ(SetImmutable(DataFile(""), false), 0);
  ExpectEverySaveWorks();
}

TEST_F(FileFaults, ADirectoryInPlaceOfAFileIsLeftAsItIs) {
  filesTakenAway = true;
  for (const Saved saved : kEverySave) {
    const std::string path = DataFile(FileNameOf(saved));
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    testing::WriteBytes(path + "/kept", "the user's");
  }
  ExpectEverySaveRefused(
      [](const std::string& path) { return CannotCreateFileText(path, SystemErrorText(EISDIR)); });
  for (const Saved saved : kEverySave) {
    EXPECT_EQ(testing::ReadBytes(DataFile(FileNameOf(saved)) + "/kept"), "the user's");
  }

  // At the next start the directories count as absent files; the first save reports them.
  FakeProgramView nextView;
  Program next(machine, system, nextView);
  next.PrepareData();
  next.LoadExclusionList();
  EXPECT_EQ(ErrorOf([&] { next.LoadSettings(); }),
            ErrorBoxText(CannotCreateFileText(DataFile("Settings.ini"), SystemErrorText(EISDIR))) +
                "\n" + CannotCreateFileText(DataFile("lang.ini"), SystemErrorText(EISDIR)));
  EXPECT_TRUE(nextView.exclusionList.empty());
  EXPECT_TRUE(std::filesystem::is_directory(DataFile("Settings.ini")));
}

TEST_F(FileFaults, ADataDirectoryRemovedWhileRunningIsReportedNotRecreated) {
  std::filesystem::remove_all(DataFile(""));
  filesTakenAway = true;
  ExpectEverySaveRefused(
      [](const std::string& path) { return CannotCreateFileText(path, SystemErrorText(ENOENT)); });
  EXPECT_FALSE(std::filesystem::exists(DataFile("")));
}

// The removal moment is steered towards the gap between the existence test and the open: earlier
// when the load still read the file, later when the file was already missing at the test.
TEST_F(FileFaults, AFileThatVanishesBeforeItIsReadIsReportedAndChangesNothing) {
  WriteLanguage("Deutsch", kLanguageTableLines, "de");
  // Saves sync to disk; on a memory file system an attempt takes microseconds instead of
  // milliseconds, and many more attempts fit in the time.
  const MemoryBackedDataDir memoryBacked(DataFile(""));
  const auto noLanguage = [](const Program& p, const HookedView& v) {
    return p.LanguageTable().empty() && v.captions.empty();
  };
  const std::vector<VanishingLoad> loads = {
      {"Skip.dat", [&] { WriteData("Skip.dat", Lines({"gamma.exe"})); },
       [](Program& p, HookedView&, const auto& arm) {
         arm();
         p.LoadExclusionList();
       },
       [](const Program&, const HookedView& v) { return !v.exclusionList.empty(); },
       [](const Program& p, const HookedView& v) {
         return v.exclusionList.empty() && p.Policy().exclusionList.empty();
       }},
      {"CPU1_3.lst", [&] { WriteData("CPU1_3.lst", Lines({"0100: alpha.exe"})); },
       [](Program& p, HookedView&, const auto& arm) {
         arm();
         p.SelectProfile(3);
       },
       [](const Program&, const HookedView& v) { return !v.profileList.empty(); },
       [](const Program& p, const HookedView& v) {
         return p.ProfileIndex() == 0 && v.profileIndex == 0 && v.profileList.empty() &&
                p.Processes().RowCount() == 0;
       }},
      {"Settings.ini",
       [&] {
         WriteData("Settings.ini", Lines({"1", "F", "T", "0", "5", "T"}));
       },
       [](Program& p, HookedView&, const auto& arm) {
         arm();
         p.LoadSettings();
       },
       [](const Program& p, const HookedView&) { return p.CurrentMode() == Mode::kManual; },
       [&](const Program& p, const HookedView& v) {
         // Nothing restored, and start-up went on all the same.
         return p.CurrentMode() == Mode::kOff && p.GetOptions().cycle == CpuCycle::kTwoCpus &&
                v.intervals.empty() && !noLanguage(p, v);
       }},
      {"lang.ini",
       [&] {
         WriteData("lang.ini", Lines({"Deutsch"}));
         WriteData("CPU1_0.lst", Lines({"0100: alpha.exe"}));
       },
       [](Program& p, HookedView& v, const auto& arm) {
         v.onShowProfileList = arm;
         p.LoadSettings();
       },
       [](const Program& p, const HookedView&) {
         return !p.LanguageTable().empty() && p.LanguageTable().front() == "de0";
       },
       [&](const Program& p, const HookedView& v) {
         return noLanguage(p, v) && v.modeItemFills == 0 && ReadData("lang.ini").empty();
       }},
  };

  FileRemover remover;
  for (const VanishingLoad& load : loads) {
    const std::string path = DataFile(load.file);
    const std::string vanished = CannotOpenFileText(path, SystemErrorText(ENOENT));
    // A removal that lands in a later save of the same file is no fault of the load.
    const std::string vanishedWhileSaving = CannotCreateFileText(path, SystemErrorText(ENOENT));
    std::chrono::nanoseconds delay = 0ns;
    int attempts = 0;
    int hits = 0;
    const auto giveUp = std::chrono::steady_clock::now() + 20s;
    while (hits < 3 && std::chrono::steady_clock::now() < giveUp) {
      ++attempts;
      for (const std::string& name : DataEntries()) std::filesystem::remove_all(DataFile(name));
      load.prepare();
      HookedView hookedView;
      Program fresh(machine, system, hookedView);
      fresh.PrepareData();
      const std::string error =
          ErrorOf([&] { load.load(fresh, hookedView, [&] { remover.RemoveAfter(path, delay); }); });
      remover.Wait();
      const std::chrono::nanoseconds step = std::max<std::chrono::nanoseconds>(20ns, delay / 8);
      if (error == vanished) {
        ++hits;
        EXPECT_TRUE(load.untouched(fresh, hookedView)) << load.file;
      } else if (error.empty() || error == vanishedWhileSaving) {
        delay = load.loaded(fresh, hookedView) ? std::max(0ns, delay - step) : delay + step;
      } else {
        ADD_FAILURE() << load.file << ": " << error;
        break;
      }
    }
    EXPECT_GT(hits, 0) << load.file << " never vanished between the test and the load in "
                       << attempts << " attempts";
    RecordProperty(load.file + " attempts", attempts);
  }
}

// Hand-edited files: everything up to the first NUL byte is the list, and lines of any length
// survive a load and a save byte for byte.
TEST_F(FileFaults, HandEditedFilesWithNulBytesAndMegabyteLines) {
  const std::string huge(3 * 1024 * 1024, 'x');
  const std::string hugeName = std::string(2 * 1024 * 1024, 'n') + ".exe";

  const std::string settingsWithNul = "1\r\nF\r\nT\0\r\n3\r\n5\r\nT\r\n" + huge;
  WriteData("Settings.ini", settingsWithNul);
  FakeProgramView cutView;
  Program cut(machine, system, cutView);
  cut.PrepareData();
  EXPECT_EQ(ErrorOf([&] { cut.LoadSettings(); }),
            FileLineText("Settings.ini", 4, ListIndexText(3)));
  EXPECT_EQ(ReadData("Settings.ini"), settingsWithNul);
  EXPECT_EQ(cut.CurrentMode(), Mode::kManual);

  WriteData("Settings.ini", Lines({"2", "F", "F", "0", huge, "T"}));
  WriteData("CPU1_0.lst", "1000: alpha.exe\r\n" + huge + "\r\n0011: beta.exe\0tail\r\n"s);
  WriteData("Skip.dat", Lines({hugeName, "gamma.exe"}));
  FakeProgramView bigView;
  Program big(machine, system, bigView);
  big.PrepareData();
  big.LoadExclusionList();
  // No rate: reported, and the line stays in the file.
  ASSERT_EQ(ErrorOf([&] { big.LoadSettings(); }),
            FileLineText("Settings.ini", 5, InvalidIntegerText(huge)));
  EXPECT_EQ(big.GetOptions().refreshText, "1");
  EXPECT_EQ(big.RefreshIntervalMs(), 1000);
  EXPECT_EQ(ReadData("Settings.ini"), Lines({"2", "F", "F", "0", huge, "T"}));
  EXPECT_EQ(bigView.profileList, (LineList{"1000: alpha.exe", huge, "0011: beta.exe"}));

  ProcessTable& table = big.Processes();
  for (int row = 0; row < table.RowCount(); ++row) {
    table.SetSelected(row, table.RowAt(row).pid == 300);
  }
  big.ApplySetToSelected(SetOf(CpuFlags{1, 0, 0, 0}), true);
  big.ExcludeSelected();
  EXPECT_EQ(ReadData("CPU1_0.lst"),
            Lines({"1000: alpha.exe", huge, "0011: beta.exe", "1000: gamma.exe"}));
  EXPECT_EQ(ReadData("Skip.dat"), Lines({hugeName, "gamma.exe"}));

  // A choice file that starts with NUL holds no line 1: no language is chosen, and the file stays.
  WriteData("Settings.ini", Lines({"2", "F", "F", "0", "3", "T"}));
  WriteData("lang.ini", "\0English\r\n"s);
  FakeProgramView languageView;
  Program language(machine, system, languageView);
  language.PrepareData();
  EXPECT_EQ(ErrorOf([&] { language.LoadSettings(); }), ListIndexText(0));
  EXPECT_TRUE(languageView.captions.empty());
  EXPECT_EQ(ReadData("lang.ini"), "\0English\r\n"s);
}

}  // namespace
}  // namespace mervale
