// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>

#include "engine/program.h"
#include "ui/caption_board.h"
#include "ui/windows_view.h"

namespace mervale {

class ProcessPlatform;
class SystemServices;
class MainWindow;
class DonationWindow;
class OptionsWindow;
class AboutWindow;
class ProgramTimers;
class TrayMenu;

// The program's state and its four windows, created hidden in their fixed order with the
// program's start-up steps between them: the main window with its tray and timers (then the
// program's data, the big machines' menus, the tray icon, the exclusion list, the locale banner),
// Donation, Options (its language list), About (then the settings). They live together until the
// set is destroyed.
class WindowSet {
 public:
  WindowSet(ProcessPlatform& platform, SystemServices& system);
  ~WindowSet();

  Program& program() { return program_; }
  ProgramView& view() { return view_; }
  MainWindow& mainWindow() { return *mainWindow_; }
  ProgramTimers& timers() { return *timers_; }
  DonationWindow& donationWindow() { return *donationWindow_; }
  OptionsWindow& optionsWindow() { return *optionsWindow_; }
  AboutWindow& aboutWindow() { return *aboutWindow_; }

  // The program's start: the main window alone comes up, unless "Start minimized" is set and a
  // tray is there to bring it back from.
  void launch();

 private:
  void createMainWindow();
  void prepareProgram();  // the main window's FormCreate

  CaptionBoard captions_;
  WindowsView view_{captions_};
  Program program_;
  std::unique_ptr<MainWindow> mainWindow_;
  TrayMenu* trayMenu_ = nullptr;     // the main window's child
  ProgramTimers* timers_ = nullptr;  // the main window's child
  std::unique_ptr<DonationWindow> donationWindow_;
  std::unique_ptr<OptionsWindow> optionsWindow_;
  std::unique_ptr<AboutWindow> aboutWindow_;
};

}  // namespace mervale
