#include <QApplication>

#include "ui/app_icon.h"
#include "ui/main_window.h"
#include "ui/window_set.h"

#ifdef _WIN32
#include "engine/platform/win32/win32_platform.h"
#include "store/system/win32/win32_system.h"
#else
#include "engine/platform/linux/linux_platform.h"
#include "store/system/linux/linux_system.h"
#endif

int main(int argc, char* argv[]) {
  // The program takes nothing from its command line; Qt only sees it for its own options.
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Mervale"));
  QApplication::setWindowIcon(mervale::AppIcon());

#ifdef _WIN32
  mervale::Win32ProcessPlatform platform;
  mervale::Win32SystemServices system;
#else
  mervale::LinuxProcessPlatform platform;
  mervale::LinuxSystemServices system;
#endif
  mervale::WindowSet windows(platform, system);
  windows.mainWindow().show();
  return QApplication::exec();
}
