// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/command_line.h"

#include <QCoreApplication>
#include <QStringList>

namespace mervale {
namespace {

// The options QApplication takes out of the arguments on the systems this program runs on, as Qt
// documents them for QGuiApplication, QApplication and its X11 plugin.
struct QtOption {
  const char* name;
  const char* valueName;  // nullptr: the option takes no value
  const char* description;
};

constexpr QtOption kQtOptions[] = {
    {"platform", "platformName[:options]", "Window system plugin, with its options."},
    {"platformpluginpath", "path", "Path to the window system plugins."},
    {"platformtheme", "theme", "Platform theme."},
    {"plugin", "plugin", "Additional plugin to load; may be given more than once."},
    {"qwindowgeometry", "geometry", "Main window geometry, like 100x100+50+50."},
    {"qwindowicon", "icon", "Default window icon."},
    {"qwindowtitle", "title", "Title of the first window."},
    {"reverse", nullptr, "Lays the windows out right to left."},
    {"session", "session", "Restores the program from an earlier session."},
    {"style", "style", "Widget style."},
    {"stylesheet", "stylesheet", "Style sheet of the widgets."},
    {"widgetcount", nullptr, "Tells at the end how many widgets were left."},
    {"testability", nullptr, "Loads the testability library."},
    {"qmljsdebugger", "value", "QML debugger port, as port:1234[,block]."},
    // The X11 plugin's own and its aliases.
    {"display", "display", "X display, in place of $DISPLAY."},
    {"name", "name", "Instance name (ICCCM 4.1.2.5)."},
    {"nograb", nullptr, "Never grabs the mouse."},
    {"dograb", nullptr, "Grabs the mouse even under a debugger."},
    {"visual", "id", "X11 visual to use."},
    {"geometry", "geometry", "Alias for --qwindowgeometry."},
    {"icon", "icon", "Alias for --qwindowicon."},
    {"title", "title", "Alias for --qwindowtitle."},
};

}  // namespace

CommandLine::CommandLine() : CommandLine(QCommandLineOption::HiddenFromHelp) {}

CommandLine::CommandLine(QCommandLineOption::Flags qtOptionFlags)
    : help_(parser_.addHelpOption()), version_(parser_.addVersionOption()) {
  parser_.setApplicationDescription(
      QStringLiteral("Gives new processes a CPU affinity mask by one global mode."));
  // Qt's own options are single words after one dash ("-platform", "-stylesheet"): read as
  // letters, they would hold an "h" or a "v".
  parser_.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const QtOption& qt : kQtOptions) {
    QCommandLineOption option(QString::fromLatin1(qt.name), QString::fromLatin1(qt.description));
    if (qt.valueName) option.setValueName(QString::fromLatin1(qt.valueName));
    option.setFlags(qtOptionFlags);
    parser_.addOption(option);
  }
}

void CommandLine::answer(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  const bool understood = parser_.parse(arguments);
  const bool helpAll = parser_.isSet(QStringLiteral("help-all"));
  if (understood && !helpAll && !parser_.isSet(help_) && !parser_.isSet(version_)) return;
  // The answers name the program as it was started, which the parser takes from the application.
  const QCoreApplication application(argc, argv);
  if (understood && helpAll) {
    CommandLine listingQtOptions{QCommandLineOption::Flags()};
    listingQtOptions.parser_.showHelp(0);
  }
  // The parser's error, or --help or --version; each ends the process.
  parser_.process(arguments);
}

}  // namespace mervale
