// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QDialog>

#include <vector>

#include "engine/cpu_set.h"

class QCheckBox;
class QGridLayout;
class QPushButton;

namespace mervale {

class Program;

// "Choose CPUs": a check box per CPU, the threads of each core side by side behind a box for the
// whole core, the cores grouped by NUMA node or cache domain, in a scrolling grid as wide as the
// screen allows, so hundreds of CPUs scroll only down. It starts with the set of the first selected
// process; "All" and "None" check or clear every box; OK, which says what it will do, gives the
// checked CPUs to the selected processes ("Add to list": records them first) and needs at least
// one checked.
class ChooseCpusDialog : public QDialog {
  Q_OBJECT

 public:
  ChooseCpusDialog(Program& program, bool addToList, QWidget* parent = nullptr);

  CpuSet chosen() const;

  void onOkClicked();

 private:
  struct CoreBoxes {
    QCheckBox* core;  // only for a core of more than one thread
    std::vector<QCheckBox*> threads;
  };
  struct CoreCell {
    QWidget* cell;
    std::size_t group;
  };

  QWidget* buildGroups(const CpuSet& preset);
  CoreCell buildCore(std::size_t index, const CpuSet& preset, const std::vector<CpuSet>& groups);
  void checkAll(bool checked);
  void onCoreClicked(const CoreBoxes& core);
  void showCoreState(const CoreBoxes& core);
  void updateOk();

  Program& program_;
  bool addToList_;
  std::vector<CoreBoxes> cores_;
  std::vector<unsigned> cpuOfBox_;  // the zero-based CPU of each thread box, in box order
  std::vector<QCheckBox*> cpuBoxes_;
  QPushButton* okButton_;
};

}  // namespace mervale
