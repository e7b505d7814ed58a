// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/command_line.h"

#include <QCoreApplication>

namespace mervale {

CommandLine::CommandLine() : help_(parser_.addHelpOption()), version_(parser_.addVersionOption()) {
  parser_.setApplicationDescription(
      QStringLiteral("Gives new processes a CPU affinity mask by one global mode."));
  // Qt's own options are single words after one dash ("-platform", "-stylesheet"): read as
  // letters, they would hold an "h" or a "v".
  parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

void CommandLine::answerHelpAndVersion(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  // Unknown options are not yet an error: they may be Qt's.
  parser_.parse(arguments);
  if (!parser_.isSet(help_) && !parser_.isSet(version_)) return;
  // The help names the program as it was started, which the parser takes from the application.
  const QCoreApplication application(argc, argv);
  if (parser_.isSet(help_)) parser_.showHelp(0);
  parser_.showVersion();
}

void CommandLine::refuseUnknownOptions(const QStringList& arguments) {
  parser_.process(arguments);
}

}  // namespace mervale
