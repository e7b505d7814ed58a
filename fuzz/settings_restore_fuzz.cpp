// The start-up restore from a "Settings.ini" of any bytes: either every value is restored and the
// file ends as six well-formed lines, or the restore fails before anything changed and the file is
// left exactly as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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
};

// The restore reads line 4, lines 2, 3 and 6, then converts line 4 and line 1.
Outcome ExpectedOutcome(const LineList& lines) {
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
  outcome.values.quadCore = lines[5] == "T";
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

void CheckRestored(const ProgramRig& rig, const SettingsValues& expected) {
  const Program& program = rig.program;
  const Options& options = program.GetOptions();
  Require(SettingsValueOf(program.CurrentMode()) == expected.mode,
          "mode restored, clamped to -1..4");
  Require(program.ProfileIndex() == expected.profileIndex, "profile restored, -1 outside 0..8");
  Require(options.autostart == expected.autostart &&
              options.startMinimized == expected.startMinimized &&
              (options.cycle == CpuCycle::kFourCpus) == expected.quadCore,
          "only a line \"T\" checks a box");
  Require(options.refreshText == expected.refreshText, "the refresh text is restored unchanged");
  Require(program.Engine().Policy().cycleCpus == CpuSet::FirstCpus(expected.quadCore ? 4 : 2),
          "the cycle follows");
  Require(program.RefreshIntervalMs() == RefreshIntervalOf(expected.refreshText).value_or(1000),
          "the timer takes a usable rate and keeps 1000 ms otherwise");
  Require(rig.system.AutostartWriteCount() == 0 && rig.system.AutostartDeleteCount() == 0,
          "restoring the autostart box leaves the logon entry alone");

  // Six lines of exactly the form the program writes, matching what the controls show.
  const std::string written = ReadBytes(rig.DataFile("Settings.ini"));
  Require(written == JoinLines(SettingsLines(expected)),
          "Settings.ini holds six well-formed lines");
  Require(SplitLines(written).size() == 6, "Settings.ini has six lines");

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

void CheckOneInput(std::string_view input) {
  ProgramRig rig;
  WriteBytes(rig.DataFile("Settings.ini"), input);
  WriteBytes(rig.DataFile("CPU1_" + std::to_string(kProfileWithFile) + ".lst"),
             std::string(kProfileEntry) + "\r\n");
  rig.program.PrepareData();
  rig.program.LoadExclusionList();

  const Outcome expected = ExpectedOutcome(SplitLines(input));
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
    CheckRestored(rig, expected.values);
  }
}

}  // namespace
}  // namespace mervale::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  mervale::fuzz::CheckOneInput({reinterpret_cast<const char*>(data), size});
  return 0;
}
