// SPDX-License-Identifier: GPL-3.0-or-later

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>

#include "program_fixture.h"
#include "store/error.h"

namespace mervale {
namespace {

class OptionsTest : public ProgramTest {
 protected:
  void SetUp() override { StartUp(); }
  std::string SettingsLine(int index) const {
    return LineAt(SplitLines(ReadData("Settings.ini")), index);
  }
};

struct RateCase {
  std::string text;
  std::optional<int> intervalMs;  // nothing: refused
  friend void PrintTo(const RateCase& c, std::ostream* out) { *out << '"' << c.text << '"'; }
};

class RefreshRate : public OptionsTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(RefreshRate, SetsTheTimerOrRefusesTheText) {
  program.SetRefreshText("3");
  ASSERT_EQ(program.RefreshIntervalMs(), 3000);
  const RateCase& rate = GetParam();
  if (rate.intervalMs) {
    program.SetRefreshText(rate.text);
    EXPECT_EQ(program.RefreshIntervalMs(), *rate.intervalMs);
    EXPECT_EQ(view.intervals.back(), *rate.intervalMs);
    EXPECT_EQ(SettingsLine(4), rate.text);
    return;
  }
  try {
    program.SetRefreshText(rate.text);
    FAIL() << "accepted";
  } catch (const Error& error) {
    EXPECT_EQ(error.what(), InvalidIntegerText(rate.text));
  }
  EXPECT_EQ(program.RefreshIntervalMs(), 3000);
  EXPECT_EQ(view.intervals.back(), 3000);
  EXPECT_EQ(SettingsLine(4), "3");
  // The field shows the rate in force again.
  EXPECT_EQ(program.GetOptions().refreshText, "3");
  EXPECT_EQ(view.options.refreshText, "3");
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RefreshRate,
    ::testing::Values(RateCase{"5", 5000}, RateCase{" 7", 7000}, RateCase{"0", 0},
                      RateCase{"$A", 10000}, RateCase{"2147483", 2147483000},
                      RateCase{"", std::nullopt}, RateCase{"-1", std::nullopt},
                      RateCase{"3000000", std::nullopt}, RateCase{"2147484", std::nullopt},
                      RateCase{"7 ", std::nullopt}, RateCase{"1.5", std::nullopt}));

TEST_F(OptionsTest, AutostartWritesOrDeletesTheLogonEntryThenSaves) {
  program.SetAutostart(true);
  EXPECT_EQ(system.AutostartEntry(), system.ExecutablePath());
  EXPECT_EQ(SettingsLine(1), "T");
  program.SetAutostart(false);
  EXPECT_FALSE(system.AutostartEntry().has_value());
  EXPECT_EQ(system.AutostartDeleteCount(), 1);
  EXPECT_EQ(SettingsLine(1), "F");
}

// At each start a logon entry that names another program is brought up to date; none stays none.
TEST_F(OptionsTest, StartBringsAnExistingLogonEntryUpToDate) {
  program.PrepareData();
  EXPECT_FALSE(system.AutostartEntry().has_value());
  system.WriteAutostart("/home/user/build/app/mervale");
  program.PrepareData();
  EXPECT_EQ(system.AutostartEntry(), system.ExecutablePath());
}

TEST_F(OptionsTest, AFailedAutostartWriteIsReportedAndNotSaved) {
  system.SetAutostartWriteFails(true);
  try {
    program.SetAutostart(true);
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Fehler beim Setzen der Daten für 'Mervale'");
  }
  EXPECT_EQ(SettingsLine(1), "F");
  EXPECT_TRUE(view.options.autostart);  // the box stays as the user left it
}

TEST_F(OptionsTest, QuadCoreSetsTheCycleAndSaves) {
  program.SetQuadCore(true);
  EXPECT_EQ(program.Policy().cycleCpus, CpuSet::FirstCpus(4));
  EXPECT_EQ(SettingsLine(5), "T");
  program.SetQuadCore(false);
  EXPECT_EQ(program.Policy().cycleCpus, CpuSet::FirstCpus(2));
  EXPECT_EQ(SettingsLine(5), "F");
}

TEST_F(OptionsTest, StartMinimizedSaves) {
  program.SetStartMinimized(true);
  EXPECT_EQ(SettingsLine(2), "T");
}

TEST_F(OptionsTest, AValueThatDoesNotChangeRunsNoReaction) {
  std::filesystem::remove(DataFile("Settings.ini"));
  program.SetAutostart(false);
  program.SetStartMinimized(false);
  program.SetQuadCore(false);
  program.SetRefreshText("1");
  program.SelectMode(Mode::kOff);
  EXPECT_FALSE(std::filesystem::exists(DataFile("Settings.ini")));
  EXPECT_EQ(system.AutostartDeleteCount(), 0);
}

TEST_F(OptionsTest, ModeChangeRebuildsAndSaves) {
  machine.ResetCalls();
  const std::size_t reactionsBefore = view.shownModes.size();
  program.SelectMode(Mode::kCpu2);
  EXPECT_EQ(view.shownModes.size(), reactionsBefore + 1);
  EXPECT_EQ(view.shownModes.back(), Mode::kCpu2);
  EXPECT_EQ(machine.calls().snapshotsCreated, 1);
  for (const Pid pid : {100u, 200u, 300u}) EXPECT_EQ(machine.MaskOf(pid), 2u);
  EXPECT_EQ(SettingsLine(0), "3");
  program.SelectMode(ModeOfSettingsValue(99));
  EXPECT_EQ(program.CurrentMode(), Mode::kOff);
  program.SelectMode(ModeOfSettingsValue(-5));
  EXPECT_EQ(program.CurrentMode(), std::nullopt);
  EXPECT_EQ(view.shownModes.back(), std::nullopt);
  EXPECT_EQ(SettingsLine(0), "4");  // no reaction, no save for "none"
}

// POSIX names and Windows' alike; a country, script or encoding does not change the language.
TEST_F(OptionsTest, LocaleBannerFollowsTheLanguageOnly) {
  const std::pair<const char*, bool> cases[] = {
      {"ar_EG.UTF-8", true}, {"ar-LY", true},  {"tr", true},     {"TR_tr", true},
      {"ur_PK", true},       {"id_ID", true},  {"fa_IR", true},  {"fa-AF", true},
      {"de_DE@euro", false}, {"en_GB", false}, {"ES_es", false}, {"C", false},
      {"POSIX", false},      {"", false},      {"xx_YY", false}, {"_TR", false},
      {"az_AZ", false}};
  for (const auto& [locale, shown] : cases) {
    system.SetSystemLocaleName(locale);
    EXPECT_EQ(program.ShowsLocaleBanner(), shown) << '"' << locale << '"';
  }
}

}  // namespace
}  // namespace mervale
