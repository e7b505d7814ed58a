// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

class QTimer;
class QWidget;

namespace mervale {

class Program;

// The main window's two timers, both running from its creation with the default second: the
// refresh tick (Timer1) and the one-off start-up tick (Timer2), which hides the window into a tray
// that came up after the start when "Start minimized" is set.
class ProgramTimers : public QObject {
  Q_OBJECT

 public:
  ProgramTimers(Program& program, QWidget& mainWindow);

  // Interval of the refresh tick in milliseconds; 0 stops it.
  void setRefreshInterval(int milliseconds);

  void onRefreshTimer();  // Timer1Timer
  void onStartupTimer();  // Timer2Timer

 private:
  Program& program_;
  QWidget& mainWindow_;
  QTimer* refreshTimer_;  // Timer1
  QTimer* startupTimer_;  // Timer2
};

}  // namespace mervale
