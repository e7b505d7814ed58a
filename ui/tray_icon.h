// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

#include <optional>

class QMenu;
class QSystemTrayIcon;

namespace mervale {

// The program's icon in the notification area. Qt keeps it there for us: it is embedded as soon as
// a tray host appears, also one started after the program, and again when the host restarts.
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);

  // Puts the icon into the tray (or waits there for a tray host) / takes it out again.
  void add();
  void remove();

  // Whether a tray host is there to bring a hidden window back. Tests that run without one set
  // the answer; nothing else does.
  static bool isAvailable();
  static void overrideAvailability(std::optional<bool> available);

 signals:
  // The user asked for the icon's menu at `globalPosition`.
  void menuRequested(const QPoint& globalPosition);
  void doubleClicked();

 private:
  QSystemTrayIcon* icon_;
};

}  // namespace mervale
