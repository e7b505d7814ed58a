// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMenu>

#include <array>
#include <optional>

#include "engine/mode.h"

namespace mervale {

class CaptionBoard;
class MainWindow;
class Program;
class TrayIcon;

// PopupMenu2: the tray icon and its context menu: "Show", the modes as radio items with the current
// one checked, "Restore all CPUs", "Donation" and "Exit". The icon's double click (a click where
// the tray reports no double clicks) brings the main window back.
class TrayMenu : public QMenu {
  Q_OBJECT

 public:
  TrayMenu(Program& program, CaptionBoard& captions, MainWindow& mainWindow);

  // Puts the icon into the tray; it leaves with the main window's close.
  void addIcon();
  // The mode items' captions, in the order of kModes: the mode selector's language lines.
  void showModeCaptions(const QStringList& captions);
  // The check mark stands at `mode` and nowhere else.
  void showMode(std::optional<Mode> mode);

  void onShowTriggered();  // Show1Click
  // Automatic1Click, Manual1Click, CPU12Click, CPU1Click, Off1Click
  void onModeTriggered(Mode mode);
  void onRestoreAllTriggered();  // "Restore all CPUs"

 signals:
  void donationRequested();  // Donation1Click

 private:
  QAction* addItem(QMenu* menu, const char* name, const QString& caption);

  Program& program_;
  MainWindow& mainWindow_;
  TrayIcon* icon_;
  // The mode items in the order of kModes.
  std::array<QAction*, kModes.size()> modeItems_{};
};

}  // namespace mervale
