#include <QApplication>

#include <chrono>

#include "ui/app_icon.h"
#include "ui/main_window.h"
#include "ui/start_watcher.h"
#include "ui/window_set.h"

#ifdef _WIN32
#include "engine/platform/win32/win32_platform.h"
#include "store/system/win32/win32_system.h"
#else
#include "app/desktop_ties.h"
#include "app/exit_signals.h"
#include "app/single_instance.h"
#include "engine/platform/linux/linux_platform.h"
#include "engine/platform/linux/linux_process_start_source.h"
#include "store/system/linux/linux_system.h"
#endif

namespace {

int EndProgram(int result) {
#ifndef _WIN32
  // Quitting ends the namespace; the processes in it get a moment to end on their own first.
  if (mervale::IsNamespaceInit()) mervale::EndNamespaceProcesses(std::chrono::seconds(2));
#endif
  return result;
}

}  // namespace

int main(int argc, char* argv[]) {
  // The program takes nothing from its command line; Qt only sees it for its own options.
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Mervale"));
  QApplication::setWindowIcon(mervale::AppIcon());

#ifdef _WIN32
  mervale::Win32ProcessPlatform platform;
  mervale::Win32SystemServices system;
#else
  // Before any window: a second start only wakes the first one and leaves.
  mervale::SingleInstance instance(mervale::InstanceName());
  if (!instance.claim()) return 0;
  mervale::ExitSignals exitSignals;
  mervale::ExitOnSignals exitOnSignals(exitSignals);
  mervale::LinuxProcessPlatform platform;
  mervale::LinuxSystemServices system;
#endif
  mervale::WindowSet windows(platform, system);
#ifndef _WIN32
  exitOnSignals.windowsBuilt(windows.mainWindow());
  if (exitOnSignals.exitAsked()) return EndProgram(0);
  mervale::BringForwardOnSecondStart(instance, windows.mainWindow());
  // New processes get their mode as they start where the system reports starts; Windows, and Linux
  // without the privilege, rely on the refresh timer alone.
  mervale::LinuxProcessStartSource starts;
  mervale::StartWatcher startWatcher(starts, windows.program(), &windows.mainWindow());
#endif
  windows.launch();
  return EndProgram(QApplication::exec());
}
