#include "app/desktop_ties.h"

#include "app/single_instance.h"
#include "ui/main_window.h"

#ifndef _WIN32
#include "app/exit_signals.h"
#endif

namespace mervale {

void BringForwardOnSecondStart(SingleInstance& instance, MainWindow& mainWindow) {
  QObject::connect(&instance, &SingleInstance::activationRequested, &mainWindow,
                   &MainWindow::onTrayDoubleClicked);
}

void ExitOnRequest(SingleInstance& instance, MainWindow& mainWindow) {
  QObject::connect(&instance, &SingleInstance::exitRequested, &mainWindow,
                   &MainWindow::onExitTriggered);
}

#ifndef _WIN32
void ExitOnSignals(ExitSignals& exitSignals, MainWindow& mainWindow) {
  QObject::connect(&exitSignals, &ExitSignals::exitRequested, &mainWindow,
                   &MainWindow::onExitTriggered);
}
#endif

}  // namespace mervale
