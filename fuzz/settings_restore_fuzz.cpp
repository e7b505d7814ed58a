// The start-up restore from a "Settings.ini" of any bytes, on a machine of four CPUs and on one of
// eight: either every value is restored and the file ends as six well-formed lines (seven on the
// bigger machine, the last naming the cycle), or the restore fails before anything changed and the
// file is left exactly as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// The restore reads line 4, lines 2, 3 and 6, then converts line 4 and line 1. A machine of more
// than four CPUs takes the cycle from a seventh line it knows, else from line 6.
Outcome ExpectedOutcome(const LineList& lines, bool manyCpus) {
  if (lines.size() < 4) return {ListIndexText(3), {}};
  if (lines.size() < 6) return {ListIndexText(5), {}};
  const std::optional<std::int32_t> profile = ParseInteger(lines[3]);
  if (!profile) return {InvalidIntegerText(lines[3]), {}};
  const std::optional<std::int32_t> mode = ParseInteger(lines[0]);
  if (!mode) return {InvalidIntegerText(lines[0]), {}};
  Outcome outcome;
  outcome.values.mode = std::clamp(*mode, -1, 4);
  outcome.values.autostart = lines[1] == "T";
  outcome.values.startMinimized = lines[2] == "T";
  outcome.values.profileIndex = *profile >= 0 && *profile <= 8 ? *profile : -1;
  outcome.values.refreshText = lines[4];
  const std::optional<CpuCycle> named =
      manyCpus && lines.size() > 6 ? CycleOfWord(lines[6]) : std::nullopt;
  outcome.cycle = named.value_or(lines[5] == "T" ? CpuCycle::kFourCpus : CpuCycle::kTwoCpus);
  outcome.values.quadCore = outcome.cycle == CpuCycle::kFourCpus;
  if (manyCpus) outcome.values.cycleWord = std::string(CycleWord(outcome.cycle));
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
  Require(program.Engine().Policy().cycleCpus == CpuSet::FirstCpus(cycleSize), "the cycle follows");
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

void CheckUntouched(const ProgramRig& rig, std::string_view input) {
  const Program& program = rig.program;
  const Options defaults;
  const Options& options = program.GetOptions();
  Require(ReadBytes(rig.DataFile("Settings.ini")) == input, "a failed restore keeps the file");
  Require(options.autostart == defaults.autostart &&
              options.startMinimized == defaults.startMinimized &&
              options.cycle == defaults.cycle && options.refreshText == defaults.refreshText,
          "a failed restore changes no option");
  Require(program.CurrentMode() == Mode::kOff && rig.view.shownModes.empty(),
          "mode unchanged, no reaction");
  Require(program.ProfileIndex() == 0 && rig.view.profileList.empty(), "profile unchanged");
  Require(program.Engine().Policy().cycleCpus == CpuSet::FirstCpus(2) && rig.view.intervals.empty(),
          "cycle and timer unchanged");
  Require(program.Engine().Table().RowCount() == 0, "no first refresh after a failed restore");
  Require(program.LanguageTable().empty() && rig.view.captions.empty(), "no language applied");
  Require(DataFileNames(rig) ==
              std::vector<std::string>{"CPU1_" + std::to_string(kProfileWithFile) + ".lst",
                                       "Settings.ini"},
          "a failed restore writes no file");
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
  Require(error == expected.error, "the restore fails exactly where the lines give out");
  Require(!error || error->size() <= 64 + kExcerptBytes + std::string("…").size(),
          "an error quotes at most an excerpt of a line");
  if (error) {
    CheckUntouched(rig, input);
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
