// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/process_table.h"

#include <algorithm>
#include <utility>

#include "store/ascii_case.h"

namespace mervale {
namespace {

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
      return CompareCaptions(a.name, b.name);
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
    const int x = static_cast<unsigned char>(UpperAscii(a[i]));
    const int y = static_cast<unsigned char>(UpperAscii(b[i]));
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

std::vector<Pid> ProcessTable::SelectedPids() const {
  std::vector<Pid> pids;
  ForEachSelectedRow([&pids](const ProcessRow& row) { pids.push_back(row.pid); });
  return pids;
}

void ProcessTable::SelectOnly(std::span<const Pid> pids) {
  for (auto& row : rows_) row->selected = std::ranges::find(pids, row->pid) != pids.end();
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
  SortRows();
}

void ProcessTable::Clear() {
  if (observer_) observer_->AboutToReset();
  rows_.clear();
  byPid_.clear();
  additions_.clear();
  cpuTextsChanged_ = false;
  anyChanged_ = false;
  if (observer_) observer_->ResetDone();
}

void ProcessTable::BeginPass() {
  ++pass_;
}

ProcessTable::Row* ProcessTable::MarkSeen(Pid pid) {
  const auto found = byPid_.find(pid);
  if (found == byPid_.end()) return nullptr;
  found->second->seenInPass = pass_;
  return found->second;
}

bool ProcessTable::KeepRow(Pid pid) {
  return MarkSeen(pid) != nullptr;
}

bool ProcessTable::TouchRow(Pid pid, std::string_view maskText) {
  Row* seen = MarkSeen(pid);
  if (seen == nullptr) return false;
  Row& row = *seen;
  if (row.maskText != maskText) {
    row.maskText.assign(maskText);
    row.changed = true;
    anyChanged_ = true;
    if (sortColumn_ == kColumnCpu) cpuTextsChanged_ = true;
  }
  return true;
}

void ProcessTable::AddRow(std::string name, std::string pidText, Pid pid, std::string maskText) {
  // The view sorts after each addition, with the CPU texts of that moment: the rows added before a
  // change go to their places under the old texts, then the table is sorted under the new ones.
  if (cpuTextsChanged_) {
    PlaceAdditions();
    SortRows();
  }
  auto row = std::make_unique<Row>();
  row->name = std::move(name);
  row->pidText = std::move(pidText);
  row->pid = pid;
  row->maskText = std::move(maskText);
  row->sortKey = row->maskText;
  row->seenInPass = pass_;
  byPid_[pid] = row.get();
  additions_.push_back(std::move(row));
}

void ProcessTable::EndPass() {
  RemoveUnseenRows();
  PlaceAddedRows();
}

void ProcessTable::PlaceAddedRows() {
  PlaceAdditions();
  ReportChangedRows();
}

void ProcessTable::RemoveRow(Pid pid) {
  const auto found = byPid_.find(pid);
  if (found == byPid_.end()) return;
  const Row* row = found->second;
  byPid_.erase(found);
  const auto isRow = [row](const auto& candidate) { return candidate.get() == row; };
  if (std::erase_if(additions_, isRow) != 0) return;
  const auto place = std::ranges::find_if(rows_, isRow);
  const int index = static_cast<int>(place - rows_.begin());
  if (observer_) observer_->RowsAboutToBeRemoved(index, index);
  rows_.erase(place);
  if (observer_) observer_->RowsRemoved();
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

void ProcessTable::SortRows() {
  for (auto& row : rows_) row->sortKey = row->maskText;
  cpuTextsChanged_ = false;
  if (rows_.empty()) return;
  if (observer_) observer_->LayoutAboutToChange();
  std::stable_sort(rows_.begin(), rows_.end(),
                   [this](const auto& a, const auto& b) { return CompareRows(*a, *b) < 0; });
  if (observer_) observer_->LayoutChanged();
}

// No sort came between these additions, so each goes behind the rows that compare equal to it,
// the ones added before it included: a stable sort of the additions merged behind the table.
void ProcessTable::PlaceAdditions() {
  if (additions_.empty()) return;
  const auto before = [this](const auto& a, const auto& b) { return CompareRows(*a, *b) < 0; };
  std::stable_sort(additions_.begin(), additions_.end(), before);
  // Many new rows at once (start-up, a rebuild) are cheaper as one sorted fill than as single
  // insertions, each of which moves the rows behind it.
  const bool bulk =
      rows_.empty() || (additions_.size() > 64 && additions_.size() * 4 > rows_.size());
  if (bulk) {
    if (observer_) observer_->AboutToReset();
    const auto middle = static_cast<std::ptrdiff_t>(rows_.size());
    rows_.insert(rows_.end(), std::make_move_iterator(additions_.begin()),
                 std::make_move_iterator(additions_.end()));
    std::inplace_merge(rows_.begin(), rows_.begin() + middle, rows_.end(), before);
    if (observer_) observer_->ResetDone();
  } else {
    auto place = rows_.begin();
    for (auto& row : additions_) {
      // The additions are sorted, so each goes behind the one placed before it.
      place = std::upper_bound(place, rows_.end(), row, before);
      const int index = static_cast<int>(place - rows_.begin());
      if (observer_) observer_->RowsAboutToBeInserted(index, index);
      place = rows_.insert(place, std::move(row)) + 1;
      if (observer_) observer_->RowsInserted();
    }
  }
  additions_.clear();
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
