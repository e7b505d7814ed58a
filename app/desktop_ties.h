#pragma once

namespace mervale {

class ExitSignals;
class SingleInstance;
class TForm1;

// A second start of the program brings the main window forward as a double click on the tray
// icon does.
void BringForwardOnSecondStart(SingleInstance& instance, TForm1& mainWindow);

#ifndef _WIN32
// SIGTERM and SIGINT end the program as the tray menu's "Exit" does: the tray icon goes with it.
void ExitOnSignals(ExitSignals& exitSignals, TForm1& mainWindow);
#endif

}  // namespace mervale
