// SPDX-License-Identifier: GPL-3.0-or-later

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

#include <memory>

#include "helpers/find_child.h"
#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/window_fixture.h"
#include "ui/choose_cpus_dialog.h"
#include "ui/main_window.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

CpuSet Cpus(std::vector<unsigned> cpus) {
  return CpuSet::FromNumbers(cpus);
}

// 8 performance cores of two threads (CPUs 1-16) and 8 efficiency cores (CPUs 17-24).
CpuTopology Hybrid() {
  CpuTopology found;
  for (unsigned cpu = 0; cpu < 24; ++cpu) {
    found.online.push_back(cpu);
    (cpu < 16 ? found.performanceCpus : found.efficiencyCpus).push_back(cpu);
    if (cpu % 2 == 0 && cpu < 16) found.cores.push_back({cpu, cpu + 1});
  }
  return MakeTopology(found);
}

}  // namespace

// The process menu and the "Choose CPUs" dialog on machines with more than four CPUs.
class MachineSetsTest : public QObject, protected WindowFixture {
  Q_OBJECT

 private:
  void Start(int cpus, const CpuTopology& topology) {
    machine->platform.SetCpuCount(cpus);
    machine->platform.SetTopology(topology);
    WindowFixture::Start();
    windows->program().Processes().SetSelected(1, true);  // Beta.exe
  }
  QAction* Action(const char* name) { return Find<QAction>(&mainWindow(), name); }
  QStringList Names(const char* menu) {
    QStringList names;
    for (const QAction* item : Find<QMenu>(&mainWindow(), menu)->actions())
      names << item->objectName();
    return names;
  }
  ChooseCpusDialog* OpenChooser(const char* item) {
    Action(item)->trigger();
    return Find<ChooseCpusDialog>(&mainWindow(), QStringLiteral("ChooseCpusForm"));
  }
  static void Click(ChooseCpusDialog* dialog, const char* button) {
    QTest::mouseClick(Find<QAbstractButton>(dialog, button), Qt::LeftButton);
  }
  QString Recorded(const CpuSet& set, std::size_t cpus) {
    return QString::fromStdString(MaskToText(set, cpus)) + ": Beta.exe";
  }

 private slots:
  void init() { SetUpMachine({{100, "alpha.exe"}, {200, "Beta.exe"}}); }

  void cleanup() { TearDownMachine(); }

  void menusOfferTheMachinesSetsInTheLanguage() {
    QStringList lines;
    for (int i = 0; i < kLanguageTableLines + kAddedCaptionCount; ++i)
      lines << QStringLiteral("xx%1").arg(i);
    lines[42 + int(AddedCaption::kCoreItem)] = QStringLiteral("Kern %d");
    QFile file(QString::fromStdString(machine->system.ExecutableDir()) + "Languages/Xx.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    file.close();
    Start(24, Hybrid());

    QStringList allCpus{"SingleCpus1"};
    for (int core = 1; core <= 8; ++core) allCpus << QStringLiteral("Core%1_1").arg(core);
    allCpus << "PerformanceCores1"
            << "EfficiencyCores1"
            << "OneThreadPerCore1"
            << "EveryCpu1"
            << "ChooseCpus1";
    QCOMPARE(Names("AllCPUs1"), allCpus);
    QCOMPARE(Names("Addtolist1").size(), 14);
    QCOMPARE(Names("PopupMenu1").mid(0, 6),
             QStringList({"CPU11", "CPU21", "CPU31", "CPU41", "CPU121", "CPU341"}));
    Action("Core3_2")->trigger();
    QCOMPARE(machine->platform.MaskOf(200), Cpus({4, 5}));
    QCOMPARE(machine->platform.MaskOf(100), CpuSet{15});
    QCOMPARE(machine->ReadDataFile(QStringLiteral("CPU1_0.lst")),
             QStringList{Recorded(Cpus({4, 5}), 24)});

    const int items = mainWindow().findChildren<QAction*>().size();
    windows->program().SelectLanguage("Xx");
    QCOMPARE(Action("Core3_2")->text(), QStringLiteral("Kern 3 (5–6)"));
    QCOMPARE(Action("EveryCpu1")->text(), lines[42 + int(AddedCaption::kEveryCpuItem)] + " (1–24)");
    QCOMPARE(mainWindow().findChildren<QAction*>().size(), items);
  }

  void chooserOf256CpusAppliesAndRecordsTheCheckedCpus() {
    Start(256, PlainTopology(256));
    ChooseCpusDialog* dialog = OpenChooser("ChooseCpus2");
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Choose CPUs"));
    auto* ok = Find<QPushButton>(dialog, QStringLiteral("OkButton"));
    QCOMPARE(ok->text(), QStringLiteral("Add to the profile"));
    QCOMPARE(dialog->findChildren<QCheckBox*>().size(), 256);
    QCOMPARE(dialog->chosen(), CpuSet{15});  // the selected process's set
    // Only down does it scroll, in groups of 16 CPUs.
    auto* scroll = Find<QScrollArea>(dialog, QStringLiteral("ScrollBox1"));
    QVERIFY(scroll->widget()->minimumSizeHint().width() <= scroll->viewport()->width());
    QVERIFY(dialog->width() <= dialog->screen()->availableGeometry().width());
    QCOMPARE(Find<QGroupBox>(dialog, QStringLiteral("Group13"))->title(),
             QStringLiteral("193–208"));
    Click(dialog, "AllButton");
    QCOMPARE(dialog->chosen(), CpuSet::FirstCpus(256));
    Click(dialog, "NoneButton");
    QVERIFY(!ok->isEnabled());
    Click(dialog, "Cpu1");

    Click(dialog, "Cpu1");
    QVERIFY(!ok->isEnabled());
    QTest::keyClick(Find<QCheckBox>(dialog, QStringLiteral("Cpu200")), Qt::Key_Space);
    Click(dialog, "Cpu256");
    QTest::mouseClick(ok, Qt::LeftButton);

    QCOMPARE(machine->platform.MaskOf(200), Cpus({199, 255}));
    QCOMPARE(machine->ReadDataFile(QStringLiteral("CPU1_0.lst")),
             QStringList{Recorded(Cpus({199, 255}), 256)});
  }

  void aCoresBoxChecksOrClearsItsThreadsAndCancelChangesNothing() {
    Start(24, Hybrid());
    machine->platform.ResetCalls();
    ChooseCpusDialog* dialog = OpenChooser("ChooseCpus1");
    Click(dialog, "Cpu4");
    QCOMPARE(Find<QCheckBox>(dialog, QStringLiteral("Core2"))->checkState(), Qt::PartiallyChecked);
    Click(dialog, "Core2");
    Click(dialog, "Core1");
    Click(dialog, "Core8");
    QCOMPARE(dialog->chosen(), Cpus({2, 3, 14, 15}));
    QVERIFY(!dialog->findChild<QCheckBox*>(QStringLiteral("Core9")));
    QTest::mouseClick(Find<QPushButton>(dialog, QStringLiteral("CancelButton")), Qt::LeftButton);
    QVERIFY(machine->platform.calls().setLog.empty());
  }

  // Core 2 is CPUs 2 and 6, as Linux numbers most processors: its box, its menu item, One thread
  // per core and Isolate name those CPUs, not the CPUs of their places.
  void siblingsNumberedApartGetTheirOwnCpus() {
    CpuTopology apart{
        {0, 1, 2, 3, 4, 5, 6, 7}, {{0, 4}, {1, 5}, {2, 6}, {3, 7}}, {}, {}, {}, {}, {}};
    Start(8, MakeTopology(apart));
    QCOMPARE(Action("Core2_1")->text(), QStringLiteral("Core 2 (2,6)"));
    QCOMPARE(Action("OneThreadPerCore1")->text(), QStringLiteral("One thread per core (1–4)"));
    // The menu opens on Beta.exe; the selection moves on before the choice: Beta.exe is set.
    emit Find<QMenu>(&mainWindow(), QStringLiteral("PopupMenu1"))->aboutToShow();
    windows->program().Processes().SetSelected(1, false);
    windows->program().Processes().SetSelected(0, true);
    ChooseCpusDialog* dialog = OpenChooser("ChooseCpus1");
    QCOMPARE(Find<QPushButton>(dialog, QStringLiteral("OkButton"))->text(),
             QStringLiteral("Set for 1 selected"));
    Click(dialog, "NoneButton");
    Click(dialog, "Core2");
    QCOMPARE(dialog->chosen(), Cpus({1, 5}));
    Click(dialog, "OkButton");
    QCOMPARE(machine->platform.MaskOf(200), Cpus({1, 5}));
    QCOMPARE(machine->platform.MaskOf(100), CpuSet{15});
    Action("Isolate1")->trigger();
    QCOMPARE(machine->platform.MaskOf(200), Cpus({0}));
    QCOMPARE(machine->platform.MaskOf(100), Cpus({1}));  // cycle Two CPUs: CPU 2 of another core
  }
};

QTEST_MAIN(MachineSetsTest)
#include "machine_sets_test.moc"
