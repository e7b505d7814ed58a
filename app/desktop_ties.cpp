// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/desktop_ties.h"

#include <QCoreApplication>

#include "app/exit_signals.h"
#include "app/single_instance.h"
#include "ui/main_window.h"

namespace mervale {

void BringForwardOnSecondStart(SingleInstance& instance, MainWindow& mainWindow) {
  QObject::connect(&instance, &SingleInstance::activationRequested, &mainWindow,
                   &MainWindow::bringForward);
}

void ExitOnRequest(SingleInstance& instance, MainWindow& mainWindow) {
  QObject::connect(&instance, &SingleInstance::exitRequested, &mainWindow,
                   &MainWindow::onExitTriggered);
}

ExitOnSignals::ExitOnSignals(ExitSignals& exitSignals) : exitSignals_(exitSignals) {
  duringStart_ = QObject::connect(&exitSignals, &ExitSignals::exitRequested, [this] {
    exitAsked_ = true;
    // Ends the loops running now and makes any later one return at once, until the main loop.
    QCoreApplication::exit(0);
  });
}

void ExitOnSignals::windowsBuilt(MainWindow& mainWindow) {
  QObject::disconnect(duringStart_);
  QObject::connect(&exitSignals_, &ExitSignals::exitRequested, &mainWindow,
                   &MainWindow::onExitTriggered);
}

}  // namespace mervale
