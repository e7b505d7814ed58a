// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/program.h"
#include "store/error.h"
#include "store/settings_file.h"

namespace mervale {

void Program::UpdateCycle() {
  engine_.Policy().cycle = options_.cycle;
  UpdateCycleCpus(engine_.Policy());
}

void Program::SetRefreshInterval(int milliseconds) {
  refreshIntervalMs_ = milliseconds;
  view_.SetRefreshInterval(milliseconds);
}

void Program::SetAutostart(bool checked) {
  if (options_.autostart == checked) return;
  options_.autostart = checked;
  view_.ShowOptions(options_);
  AutostartChanged();
}

void Program::SetStartMinimized(bool checked) {
  if (options_.startMinimized == checked) return;
  options_.startMinimized = checked;
  view_.ShowOptions(options_);
  SaveSettings();
}

void Program::SetQuadCore(bool checked) {
  SetCpuCycle(checked ? CpuCycle::kFourCpus : CpuCycle::kTwoCpus);
}

void Program::SetCpuCycle(CpuCycle cycle) {
  if (options_.cycle == cycle) return;
  options_.cycle = cycle;
  view_.ShowOptions(options_);
  CycleChanged();
}

void Program::SetRefreshText(const std::string& text) {
  if (options_.refreshText == text) return;
  // Negative rates and rates the timer cannot hold in milliseconds are refused like any other text
  // that is no number of seconds. The field goes back to the rate in force: a refused text left
  // standing there would pass for it.
  const std::optional<int> interval = RefreshIntervalOf(text);
  if (!interval) {
    view_.ShowOptions(options_);
    throw Error(InvalidIntegerText(text));
  }
  options_.refreshText = text;
  view_.ShowOptions(options_);
  SetRefreshInterval(*interval);
  SaveSettings();
}

void Program::AutostartChanged() {
  if (options_.autostart) {
    system_.WriteAutostart(system_.ExecutablePath());
  } else {
    system_.DeleteAutostart();
  }
  SaveSettings();
}

void Program::CycleChanged() {
  UpdateCycle();
  SaveSettings();
}

}  // namespace mervale
