// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/process_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace mervale {
namespace {

// Records what a view would be told, and replays it on its own copy of the row order, so tests can
// check that following the notifications gives exactly the table's rows.
class MirrorView : public TableObserver {
 public:
  explicit MirrorView(const ProcessTable& table) : table_(table) {}

  void RowsAboutToBeInserted(int first, int last) override { pending_ = {first, last}; }
  void RowsInserted() override {
    for (int i = pending_.first; i <= pending_.second; ++i) {
      mirror_.insert(mirror_.begin() + i, &table_.RowAt(i));
    }
    ++inserts;
  }
  void RowsAboutToBeRemoved(int first, int last) override {
    mirror_.erase(mirror_.begin() + first, mirror_.begin() + last + 1);
    ++removes;
  }
  void RowsRemoved() override {}
  void RowChanged(int row) override { changedRows.push_back(table_.RowAt(row).pid); }
  void LayoutAboutToChange() override {}
  void LayoutChanged() override {
    Resync();
    ++layouts;
  }
  void AboutToReset() override {}
  void ResetDone() override {
    Resync();
    ++resets;
  }

  bool MatchesTable() const {
    if (static_cast<int>(mirror_.size()) != table_.RowCount()) return false;
    for (int i = 0; i < table_.RowCount(); ++i) {
      if (mirror_[static_cast<std::size_t>(i)] != &table_.RowAt(i)) return false;
    }
    return true;
  }

  int inserts = 0;
  int removes = 0;
  int layouts = 0;
  int resets = 0;
  std::vector<Pid> changedRows;

 private:
  void Resync() {
    mirror_.clear();
    for (int i = 0; i < table_.RowCount(); ++i) mirror_.push_back(&table_.RowAt(i));
  }

  const ProcessTable& table_;
  std::vector<const ProcessRow*> mirror_;
  std::pair<int, int> pending_{0, -1};
};

std::vector<Pid> PidOrder(const ProcessTable& table) {
  std::vector<Pid> pids;
  for (int i = 0; i < table.RowCount(); ++i) pids.push_back(table.RowAt(i).pid);
  return pids;
}

void AddPass(ProcessTable& table, const std::vector<std::pair<std::string, Pid>>& rows,
             const std::string& mask = "1000") {
  table.BeginPass();
  for (int i = 0; i < table.RowCount(); ++i)
    table.TouchRow(table.RowAt(i).pid, table.RowAt(i).maskText);
  for (const auto& [name, pid] : rows) table.AddRow(name, std::to_string(pid), pid, mask);
  table.EndPass();
}

TEST(CompareCaptions, FoldsOnlyAsciiLowerCaseAndOrdersPrefixesFirst) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"abc.exe", "ABC.EXE", 0},
      {"app", "app.exe", -1},
      {"_x", "zeta", 1},
      {"9", "a", -1},
      {"Z", "_", -1},
      {"\xe4", "\xc4", 1},  // no folding beyond ASCII
      {"", "", 0},
      {"b", "a", 1},
  };
  for (const Case& c : cases) {
    const int result = CompareCaptions(c.a, c.b);
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " vs " << c.b;
  }
}

TEST(ProcessTable, RowsAddedBeforeAnyClickAreInAscendingNameOrder) {
  ProcessTable table;
  AddPass(table, {{"zsh", 3}, {"Bash", 1}, {"apt", 2}});
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{2, 1, 3}));
}

TEST(ProcessTable, ColumnClicksFollowTheClickRule) {
  ProcessTable table;
  AddPass(table, {{"b", 10}, {"a", 9}, {"c", 100}});
  table.ColumnClick(kColumnName);  // same column as the initial state: descending
  EXPECT_FALSE(table.SortAscending());
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{100, 10, 9}));
  table.ColumnClick(kColumnName);
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{9, 10, 100}));
  table.ColumnClick(kColumnId);  // another column: ascending, numerically
  EXPECT_TRUE(table.SortAscending());
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{9, 10, 100}));
  table.ColumnClick(kColumnId);
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{100, 10, 9}));
  EXPECT_EQ(table.LastSortColumn(), kColumnId);
}

TEST(ProcessTable, IdColumnComparesAsSigned32Bit) {
  ProcessTable table;
  AddPass(table, {{"a", 0x80000000u}, {"b", 5}});
  table.ColumnClick(kColumnId);
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{0x80000000u, 5}));
}

TEST(ProcessTable, ChangedCpuTextDoesNotMoveItsRowUntilTheNextSort) {
  ProcessTable table;
  AddPass(table, {{"a", 1}, {"b", 2}});
  table.ColumnClick(kColumnCpu);  // both "1000": stays a, b
  table.BeginPass();
  table.TouchRow(1, "1100");
  table.TouchRow(2, "1000");
  table.EndPass();
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{1, 2})) << "no addition, no move";
  EXPECT_EQ(table.RowAt(0).maskText, "1100");
  AddPass(table, {{"c", 3}}, "0100");
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{3, 2, 1}));
}

TEST(ProcessTable, ChangeAfterThePassesLastAdditionWaitsForTheNextSort) {
  ProcessTable table;
  AddPass(table, {{"a", 1}, {"b", 2}});
  table.ColumnClick(kColumnCpu);
  table.BeginPass();
  table.AddRow("c", "3", 3, "0100");  // sorts before a and b change
  table.TouchRow(1, "1100");
  table.TouchRow(2, "1000");
  table.EndPass();
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{3, 1, 2}));
  AddPass(table, {{"d", 4}}, "0010");
  EXPECT_EQ(PidOrder(table), (std::vector<Pid>{4, 3, 2, 1}));
}

// The table's result must equal sorting the whole table after every single addition, which is how
// the view behaves when rows are added one by one. This reference does exactly that.
struct ReferenceTable {
  struct Row {
    std::string caption;
    Pid pid;
    std::string mask;
  };
  std::vector<Row> rows;
  int column = 0;
  bool ascending = true;

  int Compare(const Row& a, const Row& b) const {
    const Row& x = ascending ? a : b;
    const Row& y = ascending ? b : a;
    if (column == kColumnName) return CompareCaptions(x.caption, y.caption);
    if (column == kColumnCpu) return CompareCaptions(x.mask, y.mask);
    const auto p = static_cast<std::int32_t>(x.pid);
    const auto q = static_cast<std::int32_t>(y.pid);
    return (p > q) - (p < q);
  }
  void Sort() {
    std::stable_sort(rows.begin(), rows.end(),
                     [this](const Row& a, const Row& b) { return Compare(a, b) < 0; });
  }
};

TEST(ProcessTable, BatchedPassesMatchSortingAfterEveryAddition) {
  std::mt19937 random(12345);
  const char* names[] = {"a", "b", "B", "c", "_d", "app", "app.exe"};
  const char* masks[] = {"1000", "0100", "1100", "0000"};
  for (int scenario = 0; scenario < 200; ++scenario) {
    ProcessTable table;
    MirrorView view(table);
    table.SetObserver(&view);
    ReferenceTable reference;
    Pid nextPid = 1;
    for (int pass = 0; pass < 12; ++pass) {
      if (random() % 5 == 0) {
        const int column = static_cast<int>(random() % 3);
        table.ColumnClick(column);
        reference.ascending = (column == reference.column) ? !reference.ascending : true;
        reference.column = column;
        reference.Sort();
      }
      // A pass: known rows in snapshot order (by PID), some vanish, some change, new ones
      // interleave.
      table.BeginPass();
      std::vector<Pid> survivors;
      std::vector<ReferenceTable::Row> snapshot(reference.rows);
      std::sort(snapshot.begin(), snapshot.end(),
                [](const auto& x, const auto& y) { return x.pid < y.pid; });
      for (const auto& row : snapshot) {
        if (random() % 6 == 0) continue;  // ended
        if (random() % 7 == 0) {
          const std::string mask = masks[random() % 4];
          table.TouchRow(row.pid, mask);
          std::find_if(reference.rows.begin(), reference.rows.end(), [&](const auto& r) {
            return r.pid == row.pid;
          })->mask = mask;
        } else {
          table.TouchRow(row.pid, row.mask);
        }
        survivors.push_back(row.pid);
        if (random() % 4 == 0) {
          const Pid pid = 100000 + nextPid++;
          const std::string name = names[random() % 7];
          const std::string mask = masks[random() % 3];
          table.AddRow(name, std::to_string(pid), pid, mask);
          reference.rows.push_back({name, pid, mask});
          reference.Sort();
          survivors.push_back(pid);
        }
      }
      for (int fresh = static_cast<int>(random() % (pass == 0 ? 80 : 3)); fresh > 0; --fresh) {
        const Pid pid = nextPid++;
        const std::string name = names[random() % 7];
        table.AddRow(name, std::to_string(pid), pid, "1000");
        reference.rows.push_back({name, pid, "1000"});
        reference.Sort();
        survivors.push_back(pid);
      }
      table.EndPass();
      std::erase_if(reference.rows, [&](const auto& r) {
        return std::find(survivors.begin(), survivors.end(), r.pid) == survivors.end();
      });

      std::vector<Pid> expected;
      for (const auto& row : reference.rows) expected.push_back(row.pid);
      ASSERT_EQ(PidOrder(table), expected) << "scenario " << scenario << " pass " << pass;
      ASSERT_TRUE(view.MatchesTable()) << "scenario " << scenario << " pass " << pass;
      for (int i = 0; i < table.RowCount(); ++i) {
        const auto& ref = reference.rows[static_cast<std::size_t>(i)];
        ASSERT_EQ(table.RowAt(i).maskText, ref.mask);
        ASSERT_EQ(table.FindRow(ref.pid), &table.RowAt(i));
      }
    }
  }
}

TEST(ProcessTable, SteadyPassReportsOnlyChangedRowsAndNoReset) {
  ProcessTable table;
  MirrorView view(table);
  table.SetObserver(&view);
  AddPass(table, {{"a", 1}, {"b", 2}, {"c", 3}});
  const int resetsAfterFill = view.resets;
  table.BeginPass();
  table.TouchRow(1, "1000");
  table.TouchRow(2, "0100");
  table.TouchRow(3, "1000");
  table.EndPass();
  EXPECT_EQ(view.resets, resetsAfterFill);
  EXPECT_EQ(view.layouts, 0);
  EXPECT_EQ(view.changedRows, (std::vector<Pid>{2}));

  table.BeginPass();
  table.TouchRow(1, "1000");
  table.TouchRow(3, "1000");
  table.AddRow("b2", "4", 4, "1000");
  table.EndPass();
  EXPECT_EQ(view.resets, resetsAfterFill) << "a single new row is inserted, not a reset";
  EXPECT_EQ(view.inserts, 1);
  EXPECT_EQ(view.removes, 1);
  EXPECT_TRUE(view.MatchesTable());
  EXPECT_EQ(table.FindRow(2), nullptr);
}

TEST(ProcessTable, SelectionAndClear) {
  ProcessTable table;
  AddPass(table, {{"a", 1}, {"b", 2}});
  table.SetSelected(1, true);
  EXPECT_FALSE(table.RowAt(0).selected);
  EXPECT_TRUE(table.RowAt(1).selected);
  table.SelectAll();
  EXPECT_TRUE(table.RowAt(0).selected);
  table.Clear();
  EXPECT_EQ(table.RowCount(), 0);
  EXPECT_EQ(table.FindRow(1), nullptr);
}

}  // namespace
}  // namespace mervale
