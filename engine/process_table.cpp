#include "engine/process_table.h"

#include <algorithm>
#include <utility>

namespace mervale {
namespace {

unsigned char UpperAscii(unsigned char c) {
  return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
}

int CompareIds(Pid a, Pid b) {
  // The view compares the Id column as signed 32-bit numbers.
  const auto x = static_cast<std::int32_t>(a);
  const auto y = static_cast<std::int32_t>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

int CompareAscending(int column, const ProcessRow& a, std::string_view cpuA, const ProcessRow& b,
                     std::string_view cpuB) {
  switch (column) {
    case kColumnName:
      return CompareCaptions(a.caption, b.caption);
    case kColumnId:
      return CompareIds(a.pid, b.pid);
    case kColumnCpu:
      return CompareCaptions(cpuA, cpuB);
    default:
      return 0;
  }
}

}  // namespace

int CompareCaptions(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int x = UpperAscii(static_cast<unsigned char>(a[i]));
    const int y = UpperAscii(static_cast<unsigned char>(b[i]));
    if (x != y) return x - y;
  }
  return static_cast<int>(a.size()) - static_cast<int>(b.size());
}

const ProcessRow* ProcessTable::FindRow(Pid pid) const {
  const auto found = byPid_.find(pid);
  return found == byPid_.end() ? nullptr : found->second;
}

void ProcessTable::SetSelected(int index, bool selected) {
  rows_[static_cast<std::size_t>(index)]->selected = selected;
}

void ProcessTable::SelectAll() {
  for (auto& row : rows_) row->selected = true;
}

int ProcessTable::Compare(const ProcessRow& a, const ProcessRow& b) const {
  return sortAscending_ ? CompareAscending(sortColumn_, a, a.maskText, b, b.maskText)
                        : CompareAscending(sortColumn_, b, b.maskText, a, a.maskText);
}

int ProcessTable::CompareRows(const Row& a, const Row& b) const {
  return sortAscending_ ? CompareAscending(sortColumn_, a, a.sortKey, b, b.sortKey)
                        : CompareAscending(sortColumn_, b, b.sortKey, a, a.sortKey);
}

void ProcessTable::ColumnClick(int column) {
  sortColumn_ = column;
  sortAscending_ = (sortColumn_ == lastSortColumn_) ? !sortAscending_ : true;
  lastSortColumn_ = sortColumn_;
  for (auto& row : rows_) row->sortKey = row->maskText;
  SortRows();
}

void ProcessTable::Clear() {
  if (observer_) observer_->AboutToReset();
  rows_.clear();
  byPid_.clear();
  added_.clear();
  lateChanges_.clear();
  anyChanged_ = false;
  if (observer_) observer_->ResetDone();
}

void ProcessTable::BeginPass() {
  ++pass_;
  added_.clear();
  lateChanges_.clear();
}

bool ProcessTable::TouchRow(Pid pid, std::string_view maskText) {
  const auto found = byPid_.find(pid);
  if (found == byPid_.end()) return false;
  Row& row = *found->second;
  row.seenInPass = pass_;
  if (row.maskText != maskText) {
    lateChanges_.push_back({&row, row.maskText});
    row.maskText.assign(maskText);
    row.changed = true;
    anyChanged_ = true;
  }
  return true;
}

void ProcessTable::AddRow(std::string caption, std::string pidText, Pid pid, std::string maskText) {
  auto row = std::make_unique<Row>();
  row->caption = std::move(caption);
  row->pidText = std::move(pidText);
  row->pid = pid;
  row->maskText = std::move(maskText);
  row->sortKey = row->maskText;
  row->seenInPass = pass_;
  byPid_[pid] = row.get();
  added_.push_back(std::move(row));
  // Sorting after this addition would see every CPU change made so far in the pass.
  lateChanges_.clear();
}

void ProcessTable::EndPass() {
  RemoveUnseenRows();
  if (!added_.empty()) {
    if (sortColumn_ == kColumnCpu) RefreshSortKeys();
    InsertAddedRows();
  }
  ReportChangedRows();
  lateChanges_.clear();
}

void ProcessTable::RemoveUnseenRows() {
  // Walk from the end so each removed run leaves the positions before it valid for the view.
  std::size_t end = rows_.size();
  while (end > 0) {
    if (rows_[end - 1]->seenInPass == pass_) {
      --end;
      continue;
    }
    std::size_t first = end - 1;
    while (first > 0 && rows_[first - 1]->seenInPass != pass_) --first;
    if (observer_)
      observer_->RowsAboutToBeRemoved(static_cast<int>(first), static_cast<int>(end - 1));
    for (std::size_t i = first; i < end; ++i) byPid_.erase(rows_[i]->pid);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(first),
                rows_.begin() + static_cast<std::ptrdiff_t>(end));
    if (observer_) observer_->RowsRemoved();
    end = first;
  }
}

void ProcessTable::RefreshSortKeys() {
  // Rows changed after the pass's latest addition keep the text that addition's sort saw.
  for (const LateChange& change : lateChanges_) change.row->lateKey = &change.maskTextAtLastAdd;
  bool moved = false;
  for (auto& row : rows_) {
    const std::string& wanted = row->lateKey ? *row->lateKey : row->maskText;
    if (row->sortKey != wanted) {
      row->sortKey = wanted;
      moved = true;
    }
    row->lateKey = nullptr;
  }
  if (moved) SortRows();
}

void ProcessTable::SortRows() {
  if (rows_.empty()) return;
  if (observer_) observer_->LayoutAboutToChange();
  std::stable_sort(rows_.begin(), rows_.end(),
                   [this](const auto& a, const auto& b) { return CompareRows(*a, *b) < 0; });
  if (observer_) observer_->LayoutChanged();
}

void ProcessTable::InsertAddedRows() {
  const auto before = [this](const auto& a, const auto& b) { return CompareRows(*a, *b) < 0; };
  // Many new rows at once (start-up, a rebuild) are cheaper as one sorted fill than as single
  // insertions, each of which moves the rows behind it.
  const bool bulk = rows_.empty() || (added_.size() > 64 && added_.size() * 4 > rows_.size());
  if (bulk) {
    if (observer_) observer_->AboutToReset();
    std::stable_sort(added_.begin(), added_.end(), before);
    const auto middle = static_cast<std::ptrdiff_t>(rows_.size());
    rows_.insert(rows_.end(), std::make_move_iterator(added_.begin()),
                 std::make_move_iterator(added_.end()));
    std::inplace_merge(rows_.begin(), rows_.begin() + middle, rows_.end(), before);
    if (observer_) observer_->ResetDone();
  } else {
    for (auto& row : added_) {
      const auto place = std::upper_bound(rows_.begin(), rows_.end(), row, before);
      const int index = static_cast<int>(place - rows_.begin());
      if (observer_) observer_->RowsAboutToBeInserted(index, index);
      rows_.insert(place, std::move(row));
      if (observer_) observer_->RowsInserted();
    }
  }
  added_.clear();
}

void ProcessTable::ReportChangedRows() {
  if (!anyChanged_) return;
  anyChanged_ = false;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (!rows_[i]->changed) continue;
    rows_[i]->changed = false;
    if (observer_) observer_->RowChanged(static_cast<int>(i));
  }
}

}  // namespace mervale
