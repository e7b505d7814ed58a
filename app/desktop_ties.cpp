#include "app/desktop_ties.h"

#include "app/single_instance.h"
#include "ui/cpu.h"

#ifndef _WIN32
#include "app/exit_signals.h"
#endif

namespace mervale {

void BringForwardOnSecondStart(SingleInstance& instance, TForm1& mainWindow) {
  QObject::connect(&instance, &SingleInstance::activationRequested, &mainWindow,
                   &TForm1::TrayDoubleClick);
}

#ifndef _WIN32
void ExitOnSignals(ExitSignals& exitSignals, TForm1& mainWindow) {
  QObject::connect(&exitSignals, &ExitSignals::exitRequested, &mainWindow, &TForm1::Exit1Click);
}
#endif

}  // namespace mervale
