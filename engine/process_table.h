// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/platform/process_platform.h"

namespace mervale {

// One tracked process as the table shows it.
struct ProcessRow {
  std::string name;     // executable name, or "unkown"
  std::string pidText;  // decimal PID, the row's key
  Pid pid = 0;
  std::string maskText;  // MaskText of the process's mask
  bool selected = false;
};

// Lets a view follow the table without rebuilding itself. Calls come in pairs around each change,
// so a Qt model can forward them; row indices are display positions at the time of the call.
class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void RowsAboutToBeInserted(int first, int last) = 0;
  virtual void RowsInserted() = 0;
  virtual void RowsAboutToBeRemoved(int first, int last) = 0;
  virtual void RowsRemoved() = 0;
  virtual void RowChanged(int row) = 0;
  // The same rows in another order (a sort); rows keep their addresses, so a view can map its
  // persistent positions through RowAt().
  virtual void LayoutAboutToChange() = 0;
  virtual void LayoutChanged() = 0;
  // Everything replaced at once (a clear, or filling many rows in one pass).
  virtual void AboutToReset() = 0;
  virtual void ResetDone() = 0;
};

enum SortColumnIndex : int { kColumnName = 0, kColumnId = 1, kColumnCpu = 2 };

// Byte-wise comparison with only a-z mapped to A-Z; a text sorts before every longer text that
// begins with it.
int CompareCaptions(std::string_view a, std::string_view b);

// The rows in display order, with constant-time lookup by PID, and the sort state of the view.
//
// Rows land exactly where sorting the whole table after each addition would put them, as the view
// does: new rows go behind rows that compare equal, and a changed CPU text moves its row only at
// the next addition or column click. Rows added between two such sorts are placed together.
class ProcessTable {
 public:
  ProcessTable() = default;
  ProcessTable(const ProcessTable&) = delete;
  ProcessTable& operator=(const ProcessTable&) = delete;

  void SetObserver(TableObserver* observer) { observer_ = observer; }

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const ProcessRow& RowAt(int index) const { return *rows_[static_cast<std::size_t>(index)]; }
  // The row of a PID, or nullptr.
  const ProcessRow* FindRow(Pid pid) const;

  // Selection, as the view reports it.
  void SetSelected(int index, bool selected);
  void SelectAll();
  std::vector<Pid> SelectedPids() const;
  // Selects the rows of these PIDs that are still in the table, and no other row.
  void SelectOnly(std::span<const Pid> pids);
  // Calls `action` with each selected row, first to last; the rows are counted before the first
  // call.
  template <typename Action>
  void ForEachSelectedRow(Action&& action) const {
    const int count = RowCount();
    for (int i = 0; i < count; ++i) {
      if (RowAt(i).selected) action(RowAt(i));
    }
  }

  int SortColumn() const { return sortColumn_; }
  int LastSortColumn() const { return lastSortColumn_; }
  bool SortAscending() const { return sortAscending_; }
  // The same column again reverses the direction, another column starts ascending; then the rows
  // are sorted.
  void ColumnClick(int column);
  // Negative when `a` goes before `b` under the current sort state, positive when after.
  int Compare(const ProcessRow& a, const ProcessRow& b) const;

  void Clear();

  // A refresh pass: BeginPass, then for each process of the snapshot either TouchRow (a known PID)
  // or AddRow (a new one with a row), then EndPass.
  void BeginPass();
  // Marks the row of a known PID as still running and updates its CPU text; false when the PID has
  // no row.
  bool TouchRow(Pid pid, std::string_view maskText);
  // The same, keeping the CPU text as it is.
  bool KeepRow(Pid pid);
  void AddRow(std::string name, std::string pidText, Pid pid, std::string maskText);
  // Removes the rows not touched or added in this pass and places the added rows.
  void EndPass();
  // Between passes: drops the row of a PID (a process that now runs another program), and places
  // the rows added since, which the next pass then counts as known.
  void RemoveRow(Pid pid);
  void PlaceAddedRows();

 private:
  struct Row : ProcessRow {
    std::string sortKey;  // the CPU text as the latest sort saw it
    std::uint64_t seenInPass = 0;
    bool changed = false;  // to be reported to the view
  };
  using RowList = std::vector<std::unique_ptr<Row>>;

  // The row of the PID marked as seen in this pass; nullptr when the PID has none.
  Row* MarkSeen(Pid pid);
  int CompareRows(const Row& a, const Row& b) const;
  void RemoveUnseenRows();
  // Puts the rows added since the last placement where sorting after each addition puts them.
  void PlaceAdditions();
  // Sorts with the CPU texts of now.
  void SortRows();
  void ReportChangedRows();

  RowList rows_;
  std::unordered_map<Pid, Row*> byPid_;
  RowList additions_;  // in the order they came
  // A CPU text changed since the latest sort while the table is sorted by CPU, so the next
  // addition sorts the table first.
  bool cpuTextsChanged_ = false;
  std::uint64_t pass_ = 0;
  bool anyChanged_ = false;
  TableObserver* observer_ = nullptr;
  int sortColumn_ = kColumnName;
  int lastSortColumn_ = kColumnName;
  bool sortAscending_ = true;
};

}  // namespace mervale
