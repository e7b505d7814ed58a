// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMetaObject>

namespace mervale {

class ExitSignals;
class SingleInstance;
class MainWindow;

// A second start of the program brings the main window forward as a double click on the tray
// icon does.
void BringForwardOnSecondStart(SingleInstance& instance, MainWindow& mainWindow);
// A close asked of the running instance (on Windows by the installer before it replaces or removes
// the program) ends the program as the tray menu's "Exit" does.
void ExitOnRequest(SingleInstance& instance, MainWindow& mainWindow);

// SIGTERM and SIGINT end the program as the tray menu's "Exit" does, at any moment. While the
// windows are being built, and an error box of their start-up may be open, a signal ends every
// running event loop, the box's too, and start-up does not go on into the main loop.
class ExitOnSignals {
 public:
  explicit ExitOnSignals(ExitSignals& exitSignals);
  ExitOnSignals(const ExitOnSignals&) = delete;
  ExitOnSignals& operator=(const ExitOnSignals&) = delete;

  // The windows are built: from now on a signal closes the main window, as "Exit" does.
  void windowsBuilt(MainWindow& mainWindow);
  // Whether a signal came while the windows were being built.
  bool exitAsked() const { return exitAsked_; }

 private:
  ExitSignals& exitSignals_;
  QMetaObject::Connection duringStart_;
  bool exitAsked_ = false;
};

}  // namespace mervale
