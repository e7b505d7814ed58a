#include <QApplication>

#include <chrono>
#include <memory>

#include "engine/platform/backends.h"
#include "ui/app_icon.h"
#include "ui/main_window.h"
#include "ui/start_watcher.h"
#include "ui/window_set.h"

#ifndef _WIN32
#include "app/desktop_ties.h"
#include "app/exit_signals.h"
#include "app/single_instance.h"
#endif

int main(int argc, char* argv[]) {
  // The program takes nothing from its command line; Qt only sees it for its own options.
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Mervale"));
  QApplication::setWindowIcon(mervale::AppIcon());

#ifndef _WIN32
  // Before any window: a second start only wakes the first one and leaves.
  mervale::SingleInstance instance(mervale::InstanceName());
  if (!instance.claim()) return 0;
  mervale::ExitSignals exitSignals;
#endif
  const mervale::Backends backends = mervale::MakeBackends();
  mervale::WindowSet windows(*backends.platform, *backends.system);
#ifndef _WIN32
  mervale::BringForwardOnSecondStart(instance, windows.mainWindow());
  mervale::ExitOnSignals(exitSignals, windows.mainWindow());
#endif
  // New processes get their mode as they start where the system reports starts; elsewhere the
  // refresh timer alone finds them.
  std::unique_ptr<mervale::StartWatcher> startWatcher;
  if (backends.starts) {
    startWatcher = std::make_unique<mervale::StartWatcher>(*backends.starts, windows.program(),
                                                           &windows.mainWindow());
  }
  windows.launch();
  const int result = QApplication::exec();
#ifndef _WIN32
  // Quitting ends the namespace; the processes in it get a moment to end on their own first.
  if (mervale::IsNamespaceInit()) mervale::EndNamespaceProcesses(std::chrono::seconds(2));
#endif
  return result;
}
