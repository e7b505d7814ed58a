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
  void Add();
  void Remove();
  bool IsAdded() const;

  // Whether a tray host is there to bring a hidden window back. Tests that run without one set
  // the answer; nothing else does.
  static bool Available();
  static void OverrideAvailability(std::optional<bool> available);

 signals:
  // The user asked for the icon's menu at `globalPosition`.
  void MenuRequested(const QPoint& globalPosition);
  void DoubleClicked();

 private:
  QSystemTrayIcon* icon_;
};

}  // namespace mervale
