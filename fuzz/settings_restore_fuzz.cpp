// SPDX-License-Identifier: GPL-3.0-or-later

// The start-up restore from a "Settings.ini" of any bytes, on a machine of four CPUs and on one of
// eight: either every value is restored and the file ends as six well-formed lines (seven on the
// bigger machine, the last naming the cycle), or each fault is told by its line, every readable
// value is restored and the file is left exactly as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cpu_cycle.h"
#include "fuzz/fuzz_support.h"
#include "store/error.h"
#include "store/excerpt.h"
#include "store/integer_text.h"
#include "store/settings_file.h"

namespace mervale::fuzz {
namespace {

constexpr const char* kProfileEntry = "1100: alpha.exe";
constexpr int kProfileWithFile = 2;

// What a restore from these lines must end with: the error it stops at, or the values.
struct Outcome {
  std::optional<std::string> error;
  SettingsValues values;
  CpuCycle cycle = CpuCycle::kTwoCpus;
};

// Each of the six lines is read on its own: a line that is no number (or no rate) where one is
// needed is a fault and keeps its value's default, and a short file is one fault, at its first
// missing line. A machine of more than four CPUs takes the cycle from a seventh line it knows, else
// from line 6.
Outcome ExpectedOutcome(const LineList& lines, bool manyCpus) {
  Outcome outcome;
  SettingsValues& values = outcome.values;
  std::vector<std::string> faults;
  const auto fault = [&faults](std::size_t line, const std::string& text) {
    faults.push_back(FileLineText("Settings.ini", int(line) + 1, text));
  };
  for (std::size_t line = 0; line < 6; ++line) {
    if (line >= lines.size()) {
      fault(line, ListIndexText(int(line)));
      break;
    }
    const std::string& text = lines[line];
    if (line == 0 || line == 3) {
      const std::optional<std::int32_t> number = ParseInteger(text);
      if (!number) fault(line, InvalidIntegerText(text));
      if (number && line == 0) values.mode = std::clamp(*number, -1, 4);
      if (number && line == 3) values.profileIndex = *number >= 0 && *number <= 8 ? *number : -1;
    } else if (line == 4) {
      // A rate the timer cannot take is a fault like a number that is none.
      if (RefreshIntervalOf(text)) {
        values.refreshText = text;
      } else {
        fault(line, InvalidIntegerText(text));
      }
    } else {
      (line == 1   ? values.autostart
       : line == 2 ? values.startMinimized
                   : values.quadCore) = text == "T";
    }
  }
  const std::optional<CpuCycle> named =
      manyCpus && lines.size() > 6 ? CycleOfWord(lines[6]) : std::nullopt;
  outcome.cycle = named.value_or(values.quadCore ? CpuCycle::kFourCpus : CpuCycle::kTwoCpus);
  values.quadCore = outcome.cycle == CpuCycle::kFourCpus;
  if (manyCpus) values.cycleWord = std::string(CycleWord(outcome.cycle));
  if (!faults.empty()) {
    outcome.error = faults.front();
    for (std::size_t i = 1; i < faults.size(); ++i)
      *outcome.error = ErrorBoxText(*outcome.error) + "\n" + faults[i];
  }
  return outcome;
}

std::vector<std::string> DataFileNames(const ProgramRig& rig) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(rig.dataDir)) {
    names.push_back(entry.path().filename().string());
  }
  std::ranges::sort(names);
  return names;
}

void CheckRestored(const ProgramRig& rig, const Outcome& outcome, int cpus) {
  const SettingsValues& expected = outcome.values;
  const Program& program = rig.program;
  const Options& options = program.GetOptions();
  Require(SettingsValueOf(program.CurrentMode()) == expected.mode,
          "mode restored, clamped to -1..4");
  Require(program.ProfileIndex() == expected.profileIndex, "profile restored, -1 outside 0..8");
  Require(options.autostart == expected.autostart &&
              options.startMinimized == expected.startMinimized && options.cycle == outcome.cycle,
          "only a line \"T\" checks a box");
  Require(options.refreshText == expected.refreshText, "the refresh text is restored unchanged");
  const std::size_t cycleSize = outcome.cycle == CpuCycle::kTwoCpus    ? 2
                                : outcome.cycle == CpuCycle::kFourCpus ? 4
                                                                       : std::size_t(cpus);
  Require(program.Policy().cycleCpus == CpuSet::FirstCpus(cycleSize), "the cycle follows");
  Require(program.RefreshIntervalMs() == RefreshIntervalOf(expected.refreshText).value_or(1000),
          "the timer takes a usable rate and keeps 1000 ms otherwise");
  Require(rig.system.AutostartWriteCount() == 0 && rig.system.AutostartDeleteCount() == 0,
          "restoring the autostart box leaves the logon entry alone");

  // Six lines of exactly the form the program writes, matching what the controls show.
  const std::string written = ReadBytes(rig.DataFile("Settings.ini"));
  Require(written == JoinLines(SettingsLines(expected)), "Settings.ini holds well-formed lines");
  Require(SplitLines(written).size() == (cpus > 4 ? 7u : 6u),
          "Settings.ini has six lines, seven on a machine of more than four CPUs");

  const LineList profileWithFile{kProfileEntry};
  Require(rig.view.profileList ==
              (expected.profileIndex == kProfileWithFile ? profileWithFile : LineList{}),
          "the selected profile's list is loaded");
  const int reactions = expected.mode < 0                              ? 0
                        : expected.mode == SettingsValueOf(Mode::kOff) ? 1
                                                                       : 2;
  Require(rig.view.ModeReactions() == reactions,
          "a restored mode reacts once, and once more when the language is applied");
  Require(program.LanguageTable().size() == static_cast<std::size_t>(kLanguageTableLines),
          "the language is applied after a restore");
  Require(DataFileNames(rig) ==
              std::vector<std::string>{"CPU1_" + std::to_string(kProfileWithFile) + ".lst",
                                       "Settings.ini", "lang.ini"},
          "no stray files in the data directory");
}

// With faults the file stays as it was until the user changes something, while every value
// that could be read is restored and start-up goes on to the language.
void CheckFaultsKeptTheFile(const ProgramRig& rig, std::string_view input, const Outcome& outcome) {
  const Program& program = rig.program;
  const Options& options = program.GetOptions();
  const SettingsValues& expected = outcome.values;
  Require(ReadBytes(rig.DataFile("Settings.ini")) == input, "a restore with faults keeps the file");
  Require(SettingsValueOf(program.CurrentMode()) == expected.mode &&
              program.ProfileIndex() == expected.profileIndex,
          "mode and profile restored where readable, else their defaults");
  Require(options.autostart == expected.autostart &&
              options.startMinimized == expected.startMinimized && options.cycle == outcome.cycle &&
              options.refreshText == expected.refreshText,
          "every other value is restored");
  Require(program.LanguageTable().size() == static_cast<std::size_t>(kLanguageTableLines),
          "the language is applied after a restore with faults");
}

void CheckOneInput(std::string_view input, int cpus) {
  ProgramRig rig;
  rig.machine.SetCpuCount(cpus);
  WriteBytes(rig.DataFile("Settings.ini"), input);
  WriteBytes(rig.DataFile("CPU1_" + std::to_string(kProfileWithFile) + ".lst"),
             std::string(kProfileEntry) + "\r\n");
  rig.program.PrepareData();
  rig.program.LoadExclusionList();

  const Outcome expected = ExpectedOutcome(SplitLines(input), cpus > 4);
  std::optional<std::string> error;
  try {
    rig.program.LoadSettings();
  } catch (const Error& thrown) {
    error = thrown.what();
  }
  Require(error == expected.error, "each fault is told by its line, and only the faults");
  Require(!error || error->size() <= 3 * (96 + kExcerptBytes + std::string("…").size()),
          "an error quotes at most an excerpt of a line");
  if (error) {
    CheckFaultsKeptTheFile(rig, input, expected);
  } else {
    CheckRestored(rig, expected, cpus);
  }
}

}  // namespace
}  // namespace mervale::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  mervale::fuzz::CheckOneInput(input, 4);
  mervale::fuzz::CheckOneInput(input, 8);
  return 0;
}
