// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>

namespace mervale {

// The program's options: --help, --help-all and --version, which answer and end the process, and
// Qt's own, which QApplication takes. Everything else the program takes from its settings files.
class CommandLine {
 public:
  CommandLine();

  // Before anything else starts: answers --help, --help-all and --version and refuses an unknown
  // option, each ending the process, without a display, a lock or the settings. Qt's own options
  // are known here already, so the answer never waits for QApplication, which cannot start without
  // a display.
  void answer(int argc, char* argv[]);

 private:
  // Qt's options are listed only by --help-all.
  explicit CommandLine(QCommandLineOption::Flags qtOptionFlags);

  QCommandLineParser parser_;
  QCommandLineOption help_;
  QCommandLineOption version_;
};

}  // namespace mervale
