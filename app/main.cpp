// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>

#include <chrono>
#include <memory>

#include "app/command_line.h"
#include "app/desktop_ties.h"
#include "app/exit_signals.h"
#include "app/single_instance.h"
#include "engine/platform/backends.h"
#include "ui/app_icon.h"
#include "ui/main_window.h"
#include "ui/program_version.h"
#include "ui/start_watcher.h"
#include "ui/window_set.h"

namespace {

int EndProgram(int result) {
  // Quitting ends the namespace; the processes in it get a moment to end on their own first.
  if (mervale::IsNamespaceInit()) mervale::EndNamespaceProcesses(std::chrono::seconds(2));
  return result;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication::setApplicationName(QStringLiteral("Mervale"));
  QApplication::setApplicationVersion(mervale::ProgramVersion());
  mervale::CommandLine commandLine;
  commandLine.answerHelpAndVersion(argc, argv);
  const QByteArray activationToken = mervale::LaunchActivationToken();
  QApplication application(argc, argv);
  commandLine.refuseUnknownOptions(QApplication::arguments());
  QApplication::setWindowIcon(mervale::AppIcon());

  // Before any window: a second start only wakes the first one and leaves.
  mervale::SingleInstance instance(mervale::InstanceName());
  if (!instance.claim(activationToken)) return 0;
  mervale::ExitSignals exitSignals;
  mervale::ExitOnSignals exitOnSignals(exitSignals);
  const mervale::Backends backends = mervale::MakeBackends();
  mervale::WindowSet windows(*backends.platform, *backends.system);
  exitOnSignals.windowsBuilt(windows.mainWindow());
  if (exitOnSignals.exitAsked()) return EndProgram(0);
  mervale::BringForwardOnSecondStart(instance, windows.mainWindow());
  mervale::ExitOnRequest(instance, windows.mainWindow());
  // New processes get their mode as they start where the system reports or hints at starts;
  // elsewhere the refresh timer alone finds them.
  std::unique_ptr<mervale::StartWatcher> startWatcher;
  if (backends.starts) {
    startWatcher = std::make_unique<mervale::StartWatcher>(*backends.starts, windows.program(),
                                                           &windows.mainWindow());
  }
  windows.launch();
  return EndProgram(QApplication::exec());
}
