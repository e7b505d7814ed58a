// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/platform/fake/fake_platform.h"
#include "engine/program.h"
#include "fake_program_view.h"
#include "store/line_list.h"
#include "store/line_list_file.h"
#include "store/system/fake/fake_system.h"
#include "tests/store/temp_dir.h"
#include "unreadable_file.h"

namespace mervale {

// A program over a scripted machine of four CPUs, with its data directory and its executable's
// directory in a fresh temporary folder.
class ProgramTest : public ::testing::Test {
 protected:
  ProgramTest() {
    system.SetDataDir(temp / "data/Mervale/");
    system.SetExecutableDir(temp / "bin/");
    system.SetExecutablePath(temp / "bin/mervale");
    std::filesystem::create_directories(temp / "bin/Languages");
    machine.AddProcess(100, "alpha.exe", 15);
    machine.AddProcess(200, "beta.exe", 15);
    machine.AddProcess(300, "gamma.exe", 15);
    WriteLanguage("English", kLanguageTableLines, "en");
  }

  // The main window's and the About window's creation steps that concern the data.
  void StartUp() {
    program.PrepareData();
    program.LoadExclusionList();
    program.LoadSettings();
  }

  std::string DataFile(const std::string& name) const { return temp / ("data/Mervale/" + name); }
  std::string LanguageFile(const std::string& name) const {
    return temp / ("bin/Languages/" + name + ".txt");
  }
  void WriteData(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(temp / "data/Mervale");
    testing::WriteBytes(DataFile(name), bytes);
  }
  std::string ReadData(const std::string& name) const { return testing::ReadBytes(DataFile(name)); }
  // A language whose line i reads "<prefix><i>", so every caption tells which line it came from.
  void WriteLanguage(const std::string& name, int lineCount, const std::string& prefix) {
    LineList lines;
    for (int i = 0; i < lineCount; ++i) lines.push_back(prefix + std::to_string(i));
    SaveLineList(lines, LanguageFile(name));
  }
  // A file that exists but cannot be read, even by an administrator, until the test ends.
  void MakeUnreadable(const std::string& path) {
    unreadable.push_back(std::make_unique<testing::UnreadableFile>(path));
  }
  // A directory where a file is expected: loads skip it, saves fail.
  static void MakeUnwritable(const std::string& path) { std::filesystem::create_directories(path); }

  void SelectRows(std::initializer_list<Pid> pids) {
    ProcessTable& table = program.Processes();
    for (int i = 0; i < table.RowCount(); ++i) {
      for (const Pid pid : pids) {
        if (table.RowAt(i).pid == pid) table.SetSelected(i, true);
      }
    }
  }
  // The settings file's lines, each followed by CR LF.
  static std::string Lines(const LineList& lines) { return JoinLines(lines); }

  testing::TempDir temp;
  std::vector<std::unique_ptr<testing::UnreadableFile>> unreadable;  // released before `temp`
  FakeProcessPlatform machine{4};
  FakeSystemServices system;
  FakeProgramView view;
  Program program{machine, system, view};
};

}  // namespace mervale
