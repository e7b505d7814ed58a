// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMenu>
#include <QPointer>

#include <optional>
#include <utility>
#include <vector>

#include "engine/cpu_set.h"
#include "engine/platform/process_platform.h"

namespace mervale {

class CaptionBoard;
class ProcessTableModel;
class Program;
struct CpuFlags;

// PopupMenu1: the process table's context menu: the sets of the first four CPUs (on machines with
// more than four CPUs, the machine's own sets under "All CPUs" and "Add to list"), "Restore CPUs",
// "Isolate" and "Exclude". Its parent window shows the errors of its handlers.
class ProcessMenu : public QMenu {
  Q_OBJECT

 public:
  // Its actions apply to the processes of the rows that were selected in `rows` when it opened,
  // whatever rows the refresh moved, added or removed since.
  ProcessMenu(Program& program, CaptionBoard& captions, ProcessTableModel& rows, QWidget* window);

  // Items of the first four CPUs that name a CPU the machine does not have online are disabled,
  // and so are submenus left with no enabled item. On a machine with more than four CPUs, "All
  // CPUs" and "Add to list" then offer the machine's sets in the current language instead of the
  // four-CPU submenus.
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
  // Selects the processes the menu opened on again, if it was opened.
  void selectChosen();
  // selectChosen, then the action.
  template <typename Action>
  void runOnChosen(Action&& action);

  Program& program_;
  QWidget* window_;
  ProcessTableModel& rows_;
  // The items of the first four CPUs with their sets; those in submenus that the machine's own sets
  // replace are gone.
  std::vector<std::pair<QPointer<QAction>, CpuSet>> setItems_;
  // The selected processes when the menu opened, until an action takes them.
  std::optional<std::vector<Pid>> chosen_;
  QMenu* allCpusMenu_;    // AllCPUs1
  QMenu* addToListMenu_;  // Addtolist1
};

}  // namespace mervale
