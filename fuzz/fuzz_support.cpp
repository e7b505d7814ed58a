// SPDX-License-Identifier: GPL-3.0-or-later

#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "store/language_captions.h"
#include "store/line_list_file.h"

namespace mervale::fuzz {
namespace {

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
    const std::filesystem::path dir = base / ("mervale-fuzz-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir, error);
    std::filesystem::create_directories(dir);
    path_ = dir.string() + "/";
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

void Fail(std::string_view what) {
  std::fprintf(stderr, "property broken: %.*s\n", static_cast<int>(what.size()), what.data());
  std::error_code ignored;
  std::filesystem::remove_all(ScratchDir(), ignored);  // abort() skips the destructors
  std::abort();
}

const std::string& ScratchDir() {
  static const ScratchDirectory directory;
  return directory.Path();
}

void EmptyDirectory(const std::string& directory) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    std::filesystem::remove_all(entry.path(), error);
  }
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Require(file.good(), "scratch file written");
}

std::string ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

ProgramRig::ProgramRig()
    : dataDir(ScratchDir() + "data/Mervale/"), executableDir(ScratchDir() + "bin/") {
  std::filesystem::create_directories(dataDir);
  EmptyDirectory(dataDir);
  static const bool languagesWritten = [this] {
    std::filesystem::create_directories(executableDir + "Languages");
    LineList english;
    for (int i = 0; i < kLanguageTableLines; ++i) english.push_back("en" + std::to_string(i));
    SaveLineList(english, LanguageFile("English"));
    return true;
  }();
  (void)languagesWritten;
  system.SetDataDir(dataDir);
  system.SetExecutableDir(executableDir);
  system.SetExecutablePath(executableDir + "mervale");
  machine.AddProcess(100, "alpha.exe", 15);
  machine.AddProcess(200, "beta.exe", 15);
  machine.AddProcess(300, "gamma.exe", 3);
}

std::string ProgramRig::LanguageFile(const std::string& name) const {
  return executableDir + "Languages/" + name + ".txt";
}

EngineRig::EngineRig(const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    machine.AddProcess(static_cast<Pid>(100 + i), names[i], 15);
  }
}

}  // namespace mervale::fuzz
