// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "engine/cpu_set.h"
#include "engine/process_table.h"

class QItemSelection;
class QItemSelectionModel;

namespace mervale {

// The process table as a Qt model: every change of the table reaches the view as the matching
// insert, remove, change, layout change or reset, so the view never rebuilds itself on a steady
// refresh. The rows' selection lives in the table (the actions read it there); a bound selection
// model is kept equal to it in both directions.
class ProcessTableModel : public QAbstractTableModel, public TableObserver {
  Q_OBJECT

 public:
  explicit ProcessTableModel(ProcessTable& table, QObject* parent = nullptr);
  ~ProcessTableModel() override;

  void setColumnCaption(int column, const QString& caption);
  // What the CPU column's tooltip says of a row's set on a machine with more than four CPUs.
  void setCpuToolTip(std::function<std::string(const CpuSet&)> toolTip);
  // The view's selection model; its changes go to the table and the table's selection is put back
  // into it after a sort or a reset.
  void bindSelection(QItemSelectionModel* selection);
  // Selects the rows of these processes, in the table and in the view, and no other row.
  void selectOnly(std::span<const Pid> pids);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // TableObserver
  void RowsAboutToBeInserted(int first, int last) override;
  void RowsInserted() override;
  void RowsAboutToBeRemoved(int first, int last) override;
  void RowsRemoved() override;
  void RowChanged(int row) override;
  void LayoutAboutToChange() override;
  void LayoutChanged() override;
  void AboutToReset() override;
  void ResetDone() override;

 private:
  void takeSelection(const QItemSelection& selected, const QItemSelection& deselected);
  void pushSelection();

  ProcessTable& table_;
  QStringList captions_;
  std::function<std::string(const CpuSet&)> cpuToolTip_;
  QPointer<QItemSelectionModel> selection_;
  // While the table changes, the selection model reports positions that are about to move; the
  // table's own flags are right then and are put back afterwards.
  bool tableChanging_ = false;
  bool pushingSelection_ = false;
  QModelIndexList persistentBefore_;
  std::vector<std::pair<const ProcessRow*, int>> persistentRows_;
};

}  // namespace mervale
