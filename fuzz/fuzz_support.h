// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/affinity_engine.h"
#include "engine/platform/fake/fake_platform.h"
#include "engine/program.h"
#include "store/line_list.h"
#include "store/system/fake/fake_system.h"
#include "tests/engine/fake_program_view.h"

namespace mervale::fuzz {

// Ends the run with the broken property on stderr; libFuzzer keeps the input as a crash.
[[noreturn]] void Fail(std::string_view what);
inline void Require(bool holds, std::string_view what) {
  if (!holds) Fail(what);
}

// A directory of this process, ending in '/', on a memory file system when there is one (every
// save syncs, which a disk would make the slowest part of a run). Removed when the process ends.
const std::string& ScratchDir();
// Removes everything inside `directory` and keeps the directory itself.
void EmptyDirectory(const std::string& directory);
void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);

// A program over a scripted machine of four CPUs and three processes, with an empty data directory
// and an English language file whose line i reads "en<i>".
class ProgramRig {
 public:
  ProgramRig();
  ProgramRig(const ProgramRig&) = delete;
  ProgramRig& operator=(const ProgramRig&) = delete;

  std::string DataFile(const std::string& name) const { return dataDir + name; }
  std::string LanguageFile(const std::string& name) const;

  std::string dataDir;
  std::string executableDir;
  FakeProcessPlatform machine{4};
  FakeSystemServices system;
  FakeProgramView view;
  Program program{machine, system, view};
};

// Any "Failure" ends the run: the fake machine's snapshot never fails.
class NoFailures : public FailureReporter {
 public:
  void ShowFailure() override { Fail("the fake machine's snapshot never fails"); }
};

// An engine over a scripted machine of four CPUs whose processes, PIDs from 100 on, carry `names`
// and may run on all four.
class EngineRig {
 public:
  explicit EngineRig(const std::vector<std::string>& names);
  EngineRig(const EngineRig&) = delete;
  EngineRig& operator=(const EngineRig&) = delete;

  FakeProcessPlatform machine{4};
  NoFailures reporter;
  AffinityEngine engine{machine, reporter};
};

}  // namespace mervale::fuzz
