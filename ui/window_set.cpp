// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/window_set.h"

#include "ui/about_window.h"
#include "ui/donation_window.h"
#include "ui/error_box.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/process_menu.h"
#include "ui/program_timers.h"
#include "ui/tray_icon.h"
#include "ui/tray_menu.h"

namespace mervale {
namespace {

void BringUp(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

WindowSet::WindowSet(ProcessPlatform& platform, SystemServices& system)
    : program_(platform, system, view_) {
  createMainWindow();
  prepareProgram();

  donationWindow_ = std::make_unique<DonationWindow>(mainWindow_.get());
  QObject::connect(trayMenu_, &TrayMenu::donationRequested, donationWindow_.get(),
                   [this] { BringUp(donationWindow_.get()); });
  optionsWindow_ = std::make_unique<OptionsWindow>(program_, captions_, mainWindow_.get());
  QObject::connect(mainWindow_.get(), &MainWindow::optionsRequested, optionsWindow_.get(),
                   [this] { BringUp(optionsWindow_.get()); });
  // Restoring the settings shows the options, so the Options window is attached before.
  view_.attach(optionsWindow_.get());
  aboutWindow_ = std::make_unique<AboutWindow>(mainWindow_.get());
  QObject::connect(mainWindow_.get(), &MainWindow::aboutRequested, aboutWindow_.get(),
                   [this] { BringUp(aboutWindow_.get()); });
  // The About window's FormCreate: its failure ends only this step.
  RunGuarded(aboutWindow_.get(), [this] { program_.LoadSettings(); });
}

WindowSet::~WindowSet() = default;

void WindowSet::createMainWindow() {
  mainWindow_ = std::make_unique<MainWindow>(program_, captions_);
  trayMenu_ = new TrayMenu(program_, captions_, *mainWindow_);
  timers_ = new ProgramTimers(program_, *mainWindow_);
  view_.attach(mainWindow_.get(), trayMenu_, timers_);
}

void WindowSet::prepareProgram() {
  RunGuarded(mainWindow_.get(), [this] {
    program_.PrepareData();
    mainWindow_->processMenu().showMachineSets();
    trayMenu_->addIcon();
    program_.LoadExclusionList();
    mainWindow_->showLocaleBanner();
  });
}

void WindowSet::launch() {
  // With a tray to come back from, "Start minimized" keeps the window hidden from the start.
  if (program_.GetOptions().startMinimized && TrayIcon::isAvailable()) return;
  mainWindow_->show();
}

}  // namespace mervale
