#pragma once

#include <QDialog>

#include <vector>

#include "engine/cpu_set.h"

class QCheckBox;
class QPushButton;

namespace mervale {

class Program;

// "Choose CPUs": a check box per CPU, the threads of each core side by side behind a box for the
// whole core, in a scrolling grid that stays usable with hundreds of CPUs. It starts with the set
// of the first selected process; OK gives the checked CPUs to the selected processes ("Add to
// list": records them first) and needs at least one checked.
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

  QWidget* buildCoreGrid(const CpuSet& preset);
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
