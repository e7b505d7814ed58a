// SPDX-License-Identifier: GPL-3.0-or-later

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include "engine/affinity_engine.h"
#include "engine/cpu_list_text.h"
#include "engine/platform/fake/fake_platform.h"
#include "ui/process_table_model.h"

using namespace mervale;

namespace {

class NoFailures : public FailureReporter {
 public:
  void ShowFailure() override { qFatal("unexpected Failure"); }
};

}  // namespace

class ProcessTableModelTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FakeProcessPlatform> machine;
  NoFailures reporter;
  std::unique_ptr<AffinityEngine> engine;
  std::unique_ptr<ProcessTableModel> model;
  std::unique_ptr<QItemSelectionModel> selection;
  // Checks every change the model reports against what it then answers, in every test.
  std::unique_ptr<QAbstractItemModelTester> tester;

  int RowOf(Pid pid) {
    for (int row = 0; row < model->rowCount(); ++row)
      if (model->index(row, 1).data().toString() == QString::number(pid)) return row;
    return -1;
  }
  QList<Pid> SelectedInView() {
    QList<Pid> pids;
    for (const QModelIndex& row : selection->selectedRows())
      pids << model->index(row.row(), 1).data().toString().toUInt();
    std::sort(pids.begin(), pids.end());
    return pids;
  }
  QList<Pid> SelectedInTable() {
    QList<Pid> pids;
    const ProcessTable& table = engine->Table();
    for (int row = 0; row < table.RowCount(); ++row)
      if (table.RowAt(row).selected) pids << table.RowAt(row).pid;
    std::sort(pids.begin(), pids.end());
    return pids;
  }
  void SelectInView(Pid pid) {
    selection->select(model->index(RowOf(pid), 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }

 private slots:
  void init() {
    machine = std::make_unique<FakeProcessPlatform>(4);
    engine = std::make_unique<AffinityEngine>(*machine, reporter);
    model = std::make_unique<ProcessTableModel>(engine->Table());
    tester = std::make_unique<QAbstractItemModelTester>(
        model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    selection = std::make_unique<QItemSelectionModel>(model.get());
    model->bindSelection(selection.get());
    for (Pid pid : {20u, 40u, 60u}) machine->AddProcess(pid, "p" + std::to_string(pid), 15);
    engine->RefreshProcesses();
  }

  void cleanup() {
    tester.reset();
    selection.reset();
    model.reset();
    engine.reset();
    machine.reset();
  }

  void steadyPassesInsertAndRemoveRows() {
    QCOMPARE(model->rowCount(), 3);
    QSignalSpy resets(model.get(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);

    machine->AddProcess(30, "p30", 15);
    engine->RefreshProcesses();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted[0][1].toInt(), RowOf(30));
    QCOMPARE(model->index(RowOf(30), 0).data().toString(), QStringLiteral("p30"));

    machine->RemoveProcess(40);
    engine->RefreshProcesses();
    QCOMPARE(removed.size(), 1);
    QCOMPARE(RowOf(40), -1);

    machine->SetMaskFromOutside(60, 3);
    engine->RefreshProcesses();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(model->index(RowOf(60), 2).data().toString(), QStringLiteral("1100"));

    engine->RefreshProcesses();
    QCOMPARE(resets.size(), 0);
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(removed.size(), 1);
    QCOMPARE(changed.size(), 1);
  }

  void viewSelectionReachesTheTable() {
    SelectInView(40);
    QCOMPARE(SelectedInTable(), QList<Pid>({40}));
    selection->select(model->index(RowOf(40), 0),
                      QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    QCOMPARE(SelectedInTable(), QList<Pid>());
  }

  void tableSelectionIsShown() {
    engine->Table().SelectAll();
    engine->Table().ColumnClick(kColumnId);
    QCOMPARE(SelectedInView(), QList<Pid>({20, 40, 60}));
  }

  void selectionFollowsItsRow_data() {
    QTest::addColumn<QString>("change");
    QTest::newRow("row inserted before") << "insert";
    QTest::newRow("row removed before") << "remove";
    QTest::newRow("sorted the other way") << "sort";
    QTest::newRow("many rows at once") << "bulk";
  }

  void selectionFollowsItsRow() {
    QFETCH(QString, change);
    SelectInView(40);
    SelectInView(60);

    if (change == QLatin1String("insert")) machine->AddProcess(10, "a", 15);
    if (change == QLatin1String("remove")) machine->RemoveProcess(20);
    if (change == QLatin1String("bulk"))
      for (Pid pid = 1000; pid < 1100; ++pid)
        machine->AddProcess(pid, "n" + std::to_string(pid), 15);
    if (change == QLatin1String("sort")) {
      engine->Table().ColumnClick(kColumnName);
    } else {
      engine->RefreshProcesses();
    }

    QCOMPARE(SelectedInTable(), QList<Pid>({40, 60}));
    QCOMPARE(SelectedInView(), QList<Pid>({40, 60}));
  }

  void clearingEmptiesTheSelection() {
    SelectInView(20);
    engine->ClearProcesses();
    QCOMPARE(model->rowCount(), 0);
    QVERIFY(!selection->hasSelection());
  }

  void bigMachinesShowACompactCpuColumn_data() {
    QTest::addColumn<int>("cpus");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("maskText");
    QTest::newRow("4 CPUs: as always") << 4 << "1111"
                                       << "1111";
    QTest::newRow("8 CPUs") << 8 << "1\u20134"
                            << "11110000";
    QTest::newRow("256 CPUs") << 256 << "1\u20134"
                              << "1111" + QString(252, QLatin1Char('0'));
  }

  void bigMachinesShowACompactCpuColumn() {
    QFETCH(int, cpus);
    QFETCH(QString, shown);
    QFETCH(QString, maskText);
    machine->SetCpuCount(cpus);
    model->setCpuToolTip([](const CpuSet& set) { return "tip " + CompactCpuList(set); });
    engine->ClearProcesses();
    engine->RefreshProcesses();
    const QModelIndex cell = model->index(RowOf(40), kColumnCpu);
    QCOMPARE(cell.data().toString(), shown);
    QCOMPARE(cell.data(Qt::ToolTipRole).toString(),
             cpus > 4 ? QStringLiteral("tip 1\u20134") : QString());
    QCOMPARE(model->index(RowOf(40), kColumnName).data(Qt::ToolTipRole), QVariant());
    // The table itself, and so every file, keeps the full text.
    QCOMPARE(QString::fromStdString(engine->Table().RowAt(RowOf(40)).maskText), maskText);
  }
};

QTEST_MAIN(ProcessTableModelTest)
#include "process_table_model_test.moc"
