// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/program_timers.h"

#include <QTimer>
#include <QWidget>

#include "engine/program.h"
#include "ui/error_box.h"
#include "ui/tray_icon.h"
#include "ui/widget_names.h"

namespace mervale {

ProgramTimers::ProgramTimers(Program& program, QWidget& mainWindow)
    : QObject(&mainWindow), program_(program), mainWindow_(mainWindow) {
  refreshTimer_ = Named(new QTimer(this), "Timer1");
  refreshTimer_->setInterval(1000);
  connect(refreshTimer_, &QTimer::timeout, this, &ProgramTimers::onRefreshTimer);
  refreshTimer_->start();
  startupTimer_ = Named(new QTimer(this), "Timer2");
  startupTimer_->setInterval(1000);
  connect(startupTimer_, &QTimer::timeout, this, &ProgramTimers::onStartupTimer);
  startupTimer_->start();
}

void ProgramTimers::setRefreshInterval(int milliseconds) {
  if (milliseconds > 0) {
    refreshTimer_->start(milliseconds);
  } else {
    refreshTimer_->stop();
  }
}

// Timer1Timer
void ProgramTimers::onRefreshTimer() {
  RunGuarded(&mainWindow_, [this] { program_.RefreshProcesses(); });
}

// Timer2Timer
void ProgramTimers::onStartupTimer() {
  startupTimer_->stop();
  // "Start minimized" hid the window from the start where a tray was there. A tray that came up
  // only since (the session is still starting) takes it now. Without one the window stays shown:
  // hidden it could not be brought back, and minimised, some desktops have no taskbar to find it.
  if (program_.GetOptions().startMinimized && TrayIcon::isAvailable()) mainWindow_.hide();
}

}  // namespace mervale
