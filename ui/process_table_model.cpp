// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/process_table_model.h"

#include <QItemSelectionModel>

#include <string>
#include <unordered_map>
#include <utility>

#include "engine/cpu_list_text.h"
#include "engine/cpu_set.h"
#include "ui/program_text.h"

namespace mervale {
namespace {

// Machines with more than four CPUs have longer mask texts; up to four the column stays as it was.
bool IsCompactColumn(const std::string& maskText) {
  return maskText.size() > 4;
}

}  // namespace

ProcessTableModel::ProcessTableModel(ProcessTable& table, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      captions_{QStringLiteral("Processname"), QStringLiteral("Id"), QStringLiteral("CPU")} {
  table_.SetObserver(this);
}

ProcessTableModel::~ProcessTableModel() {
  table_.SetObserver(nullptr);
}

void ProcessTableModel::setColumnCaption(int column, const QString& caption) {
  if (column < 0 || column >= captions_.size()) return;
  captions_[column] = caption;
  emit headerDataChanged(Qt::Horizontal, column, column);
}

void ProcessTableModel::setCpuToolTip(std::function<std::string(const CpuSet&)> toolTip) {
  cpuToolTip_ = std::move(toolTip);
}

void ProcessTableModel::bindSelection(QItemSelectionModel* selection) {
  selection_ = selection;
  connect(selection, &QItemSelectionModel::selectionChanged, this,
          &ProcessTableModel::takeSelection);
  pushSelection();
}

void ProcessTableModel::selectOnly(std::span<const Pid> pids) {
  table_.SelectOnly(pids);
  pushSelection();
}

int ProcessTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : table_.RowCount();
}

int ProcessTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QVariant ProcessTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= table_.RowCount()) return {};
  const ProcessRow& row = table_.RowAt(index.row());
  if (role == Qt::ToolTipRole) {
    if (index.column() != kColumnCpu || !IsCompactColumn(row.maskText) || !cpuToolTip_) return {};
    return ProgramText(cpuToolTip_(TextToMask(row.maskText, row.maskText.size())));
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kColumnName:
      return ProgramText(row.name);
    case kColumnId:
      return ProgramText(row.pidText);
    case kColumnCpu:
      return ProgramText(IsCompactColumn(row.maskText)
                             ? CompactCpuList(TextToMask(row.maskText, row.maskText.size()))
                             : row.maskText);
    default:
      return {};
  }
}

QVariant ProcessTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= captions_.size()) return {};
  if (role == Qt::DisplayRole) return captions_[section];
  if (role == Qt::TextAlignmentRole)
    return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
  return {};
}

Qt::ItemFlags ProcessTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void ProcessTableModel::RowsAboutToBeInserted(int first, int last) {
  tableChanging_ = true;
  beginInsertRows({}, first, last);
}

void ProcessTableModel::RowsInserted() {
  endInsertRows();
  tableChanging_ = false;
}

void ProcessTableModel::RowsAboutToBeRemoved(int first, int last) {
  tableChanging_ = true;
  beginRemoveRows({}, first, last);
}

void ProcessTableModel::RowsRemoved() {
  endRemoveRows();
  tableChanging_ = false;
}

void ProcessTableModel::RowChanged(int row) {
  emit dataChanged(index(row, kColumnCpu), index(row, kColumnCpu), {Qt::DisplayRole});
}

void ProcessTableModel::LayoutAboutToChange() {
  tableChanging_ = true;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  // Rows keep their addresses across a sort, so each persistent position can follow its row.
  persistentBefore_ = persistentIndexList();
  persistentRows_.clear();
  persistentRows_.reserve(static_cast<std::size_t>(persistentBefore_.size()));
  for (const QModelIndex& before : persistentBefore_)
    persistentRows_.emplace_back(&table_.RowAt(before.row()), before.column());
}

void ProcessTableModel::LayoutChanged() {
  std::unordered_map<const ProcessRow*, int> rowOf;
  rowOf.reserve(static_cast<std::size_t>(table_.RowCount()));
  for (int i = 0; i < table_.RowCount(); ++i) rowOf.emplace(&table_.RowAt(i), i);
  QModelIndexList after;
  after.reserve(persistentBefore_.size());
  for (const auto& [row, column] : persistentRows_) {
    const auto found = rowOf.find(row);
    after.append(found == rowOf.end() ? QModelIndex() : index(found->second, column));
  }
  changePersistentIndexList(persistentBefore_, after);
  persistentBefore_.clear();
  persistentRows_.clear();
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  tableChanging_ = false;
  pushSelection();
}

void ProcessTableModel::AboutToReset() {
  tableChanging_ = true;
  beginResetModel();
}

void ProcessTableModel::ResetDone() {
  endResetModel();
  tableChanging_ = false;
  pushSelection();
}

void ProcessTableModel::takeSelection(const QItemSelection& selected,
                                      const QItemSelection& deselected) {
  if (tableChanging_ || pushingSelection_) return;
  const auto mark = [this](const QItemSelection& ranges, bool state) {
    for (const QItemSelectionRange& range : ranges) {
      for (int row = range.top(); row <= range.bottom() && row < table_.RowCount(); ++row) {
        // A row stays selected while any of its cells is.
        table_.SetSelected(row, state || selection_->isRowSelected(row, {}));
      }
    }
  };
  mark(deselected, false);
  mark(selected, true);
}

void ProcessTableModel::pushSelection() {
  if (!selection_) return;
  QItemSelection wanted;
  const int lastColumn = columnCount() - 1;
  int runStart = -1;
  for (int row = 0; row <= table_.RowCount(); ++row) {
    const bool selected = row < table_.RowCount() && table_.RowAt(row).selected;
    if (selected && runStart < 0) runStart = row;
    if (!selected && runStart >= 0) {
      wanted.select(index(runStart, 0), index(row - 1, lastColumn));
      runStart = -1;
    }
  }
  pushingSelection_ = true;
  selection_->select(wanted, QItemSelectionModel::ClearAndSelect);
  pushingSelection_ = false;
}

}  // namespace mervale
