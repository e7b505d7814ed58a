// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

namespace mervale {

// The program's options: --help and --version, which answer and end the process. Everything else
// the program takes from its settings files.
class CommandLine {
 public:
  CommandLine();

  // Before anything else starts: they need no display, take no lock and read no settings. Qt's
  // own options may still stand among the arguments here, so nothing else counts yet.
  void answerHelpAndVersion(int argc, char* argv[]);
  // Once QApplication has taken out its own options: any option left is the parser's error and a
  // failed exit.
  void refuseUnknownOptions(const QStringList& arguments);

 private:
  QCommandLineParser parser_;
  QCommandLineOption help_;
  QCommandLineOption version_;
};

}  // namespace mervale
