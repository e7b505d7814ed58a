// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <initializer_list>
#include <memory>
#include <utility>

#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "ui/main_window.h"
#include "ui/window_set.h"

namespace mervale {

// What every window test builds afresh for each test function: the scripted machine with its
// processes, the recorder of message boxes and, once started, the windows. The windows go first
// when it is torn down: they still use the other two while they close.
class WindowFixture {
 protected:
  std::unique_ptr<TestMachine> machine;
  std::unique_ptr<MessageBoxes> boxes;
  std::unique_ptr<WindowSet> windows;

  // Each process runs on CPUs 1 to 4.
  void SetUpMachine(std::initializer_list<std::pair<Pid, const char*>> processes = {}) {
    machine = std::make_unique<TestMachine>();
    boxes = std::make_unique<MessageBoxes>();
    for (const auto& [pid, name] : processes) machine->platform.AddProcess(pid, name, 15);
  }
  void Start() { windows = std::make_unique<WindowSet>(machine->platform, machine->system); }
  void TearDownMachine() {
    windows.reset();
    boxes.reset();
    machine.reset();
  }
  MainWindow& mainWindow() { return windows->mainWindow(); }
};

}  // namespace mervale
