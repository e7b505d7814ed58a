#pragma once

#include <QMenu>

#include "engine/cpu_set.h"

namespace mervale {

class CaptionBoard;
class Program;
struct CpuFlags;

// PopupMenu1: the process table's context menu: the sets of the first four CPUs (on machines with
// more than four CPUs, the machine's own sets under "All CPUs" and "Add to list"), "Restore CPUs",
// "Isolate" and "Exclude". Its parent window shows the errors of its handlers.
class ProcessMenu : public QMenu {
  Q_OBJECT

 public:
  ProcessMenu(Program& program, CaptionBoard& captions, QWidget* window);

  // On a machine with more than four CPUs, "All CPUs" and "Add to list" offer the machine's sets in
  // the current language instead of the four-CPU submenus.
  void showMachineSets();

  void onSetTriggered(const CpuFlags& flags, bool addToList);  // CPU11Click ... N12342Click
  void onIsolateTriggered();                                   // Isolate1Click
  void onExcludeTriggered();                                   // Exclude1Click
  void onRestoreTriggered();                                   // "Restore CPUs"
  // On machines with more than four CPUs: an item of the machine's own sets under "All CPUs" or
  // "Add to list", and "Choose CPUs…", which opens ChooseCpusDialog.
  void onMachineSetTriggered(const CpuSet& set, bool addToList);
  void onChooseCpusTriggered(bool addToList);

 private:
  QAction* addItem(QMenu* menu, const char* name, const QString& caption);
  void buildSetMenus(CaptionBoard& captions);

  Program& program_;
  QWidget* window_;
  QMenu* allCpusMenu_;    // AllCPUs1
  QMenu* addToListMenu_;  // Addtolist1
};

}  // namespace mervale
