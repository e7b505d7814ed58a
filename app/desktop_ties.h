#pragma once

namespace mervale {

class ExitSignals;
class SingleInstance;
class MainWindow;

// A second start of the program brings the main window forward as a double click on the tray
// icon does.
void BringForwardOnSecondStart(SingleInstance& instance, MainWindow& mainWindow);
// A close asked of the running instance (on Windows by the installer before it replaces or removes
// the program) ends the program as the tray menu's "Exit" does.
void ExitOnRequest(SingleInstance& instance, MainWindow& mainWindow);

#ifndef _WIN32
// SIGTERM and SIGINT end the program as the tray menu's "Exit" does: the tray icon goes with it.
void ExitOnSignals(ExitSignals& exitSignals, MainWindow& mainWindow);
#endif

}  // namespace mervale
