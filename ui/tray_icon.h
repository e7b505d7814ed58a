// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace mervale {

// The program's icon in the notification area with `menu` as its context menu. Qt keeps it there
// for us: it is embedded as soon as a tray host appears, also one started after the program, and
// again when the host restarts; a StatusNotifierItem host gets the menu over D-Bus and draws it
// itself, elsewhere Qt opens it at the pointer.
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  TrayIcon(QMenu* menu, QObject* parent);

  // Puts the icon into the tray (or waits there for a tray host) / takes it out again.
  void add();
  void remove();

  // Whether a tray host is there to bring a hidden window back. Tests that run without one set
  // the answer; nothing else does.
  static bool isAvailable();
  static void overrideAvailability(std::optional<bool> available);
  // Whether the host reports double clicks; tests set it, before the icon is made.
  static void overrideDoubleClickReports(std::optional<bool> reported);

 signals:
  // The user asked for the main window: a double click on the icon where the host reports double
  // clicks, a plain click where it reports only clicks.
  void windowRequested();

 private:
  QSystemTrayIcon* icon_;
};

}  // namespace mervale
