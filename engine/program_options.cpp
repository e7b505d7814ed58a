#include "engine/program.h"
#include "store/error.h"
#include "store/settings_file.h"

namespace mervale {

void Program::UpdateCpuCount() {
  engine_.Policy().CpuCount = options_.quadCore ? 4 : 2;
}

void Program::SetRefreshInterval(int milliseconds) {
  refreshIntervalMs_ = milliseconds;
  view_.SetRefreshInterval(milliseconds);
}

void Program::SetAutostart(bool checked) {
  if (options_.autostart == checked) return;
  options_.autostart = checked;
  view_.ShowOptions(options_);
  if (checkBox1Reacts_) CheckBox1Click();
}

void Program::SetStartMinimized(bool checked) {
  if (options_.startMinimized == checked) return;
  options_.startMinimized = checked;
  view_.ShowOptions(options_);
  if (checkBox2Reacts_) SaveSettings();
}

void Program::SetQuadCore(bool checked) {
  if (options_.quadCore == checked) return;
  options_.quadCore = checked;
  view_.ShowOptions(options_);
  CheckBox3Click();
}

void Program::SetRefreshText(const std::string& text) {
  if (options_.refreshText == text) return;
  options_.refreshText = text;
  view_.ShowOptions(options_);
  if (edit1Reacts_) Edit1Change();
}

void Program::CheckBox1Click() {
  if (options_.autostart) {
    system_.WriteAutostart(system_.ExecutablePath());
  } else {
    system_.DeleteAutostart();
  }
  SaveSettings();
}

void Program::CheckBox3Click() {
  UpdateCpuCount();
  SaveSettings();
}

void Program::Edit1Change() {
  // Negative rates and rates the timer cannot hold in milliseconds are refused like any other text
  // that is no number of seconds.
  const std::optional<int> interval = RefreshIntervalOf(options_.refreshText);
  if (!interval) throw Error(InvalidIntegerText(options_.refreshText));
  SetRefreshInterval(*interval);
  SaveSettings();
}

}  // namespace mervale
