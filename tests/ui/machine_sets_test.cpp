#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "helpers/find_child.h"
#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "ui/choose_cpus_dialog.h"
#include "ui/main_window.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

QStringList Names(const QMenu* menu) {
  QStringList names;
  for (const QAction* item : menu->actions()) names << item->objectName();
  return names;
}

CpuNumbers List(const char* text) {
  const auto cpus = ParseCpuList(text);
  if (!cpus) qFatal("not a CPU list: %s", text);
  return *cpus;
}

CpuSet Cpus(const char* list) {
  return CpuSet::FromNumbers(List(list));
}

// 8 performance cores of two threads (CPUs 1-16) and 8 efficiency cores (CPUs 17-24).
CpuTopology Hybrid() {
  CpuTopology found{List("0-23"), {}, List("0-15"), List("16-23"), {}, {}};
  for (unsigned cpu = 0; cpu < 16; cpu += 2) found.cores.push_back({cpu, cpu + 1});
  return MakeTopology(found);
}

}  // namespace

// The process menu and the "Choose CPUs" dialog on machines with more than four CPUs.
class MachineSetsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestMachine> machine;
  std::unique_ptr<MessageBoxes> boxes;
  std::unique_ptr<WindowSet> windows;

  MainWindow& mainWindow() { return windows->mainWindow(); }
  void Start(int cpus, const CpuTopology& topology) {
    machine->platform.SetCpuCount(cpus);
    machine->platform.SetTopology(topology);
    windows = std::make_unique<WindowSet>(machine->platform, machine->system);
    // Beta.exe, the second row by name.
    mainWindow().program().Engine().Table().SetSelected(1, true);
    machine->platform.ResetCalls();
  }
  QMenu* Menu(const char* name) { return Find<QMenu>(&mainWindow(), QString::fromLatin1(name)); }
  QAction* Action(const QString& name) { return Find<QAction>(&mainWindow(), name); }
  ChooseCpusDialog* OpenChooser(const char* item) {
    Action(QString::fromLatin1(item))->trigger();
    return Find<ChooseCpusDialog>(&mainWindow(), QStringLiteral("ChooseCpusForm"));
  }
  static QCheckBox* Box(ChooseCpusDialog* dialog, const QString& name) {
    return Find<QCheckBox>(dialog, name);
  }
  static void Click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton); }

 private slots:
  void init() {
    machine = std::make_unique<TestMachine>();
    boxes = std::make_unique<MessageBoxes>();
    machine->platform.AddProcess(100, "alpha.exe", 15);
    machine->platform.AddProcess(200, "Beta.exe", 15);
  }

  void cleanup() {
    windows.reset();
    boxes.reset();
    machine.reset();
  }

  void menusOfferTheMachinesSets_data() {
    QTest::addColumn<int>("cpus");
    QTest::addColumn<bool>("hybrid");
    QTest::addColumn<QStringList>("allCpus");
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("landed");
    QTest::newRow("8 plain CPUs") << 8 << false
                                  << QStringList({"Cpu1_1", "Cpu2_1", "Cpu3_1", "Cpu4_1", "Cpu5_1",
                                                  "Cpu6_1", "Cpu7_1", "Cpu8_1", "EveryCpu1",
                                                  "ChooseCpus1"})
                                  << "Cpu8_2"
                                  << "7";
    QTest::newRow("hybrid") << 24 << true
                            << QStringList({"SingleCpus1", "Core1_1", "Core2_1", "Core3_1",
                                            "Core4_1", "Core5_1", "Core6_1", "Core7_1", "Core8_1",
                                            "PerformanceCores1", "EfficiencyCores1",
                                            "OneThreadPerCore1", "EveryCpu1", "ChooseCpus1"})
                            << "Core3_2"
                            << "4-5";
  }

  void menusOfferTheMachinesSets() {
    QFETCH(int, cpus);
    QFETCH(bool, hybrid);
    QFETCH(QStringList, allCpus);
    QFETCH(QString, item);
    QFETCH(QString, landed);
    Start(cpus, hybrid ? Hybrid() : PlainTopology(unsigned(cpus)));

    QCOMPARE(Names(Menu("AllCPUs1")), allCpus);
    QStringList addToList;
    for (const QString& name : allCpus) addToList << name.chopped(1) + QLatin1Char('2');
    QCOMPARE(Names(Menu("Addtolist1")), addToList);
    QVERIFY(!mainWindow().findChild<QMenu*>(QStringLiteral("OneCPU1")));
    // The quick picks of the top level stay.
    QCOMPARE(Names(Find<QMenu>(&mainWindow(), QStringLiteral("PopupMenu1"))).mid(0, 6),
             QStringList({"CPU11", "CPU21", "CPU31", "CPU41", "CPU121", "CPU341"}));

    Action(item)->trigger();
    const CpuSet set = Cpus(landed.toLatin1().constData());
    QCOMPARE(machine->platform.MaskOf(200), set);
    QCOMPARE(machine->platform.MaskOf(100), CpuSet{15});
    const QString entry = QString::fromStdString(MaskToText(set, std::size_t(cpus))) + ": Beta.exe";
    QCOMPARE(machine->ReadDataFile(QStringLiteral("CPU1_0.lst")), QStringList({entry}));
    QCOMPARE(Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox1"))->item(0)->text(), entry);
  }

  void aLanguageRenamesTheMachineSetsOnce() {
    QStringList lines;
    for (int i = 0; i < 57; ++i) lines << QStringLiteral("xx%1").arg(i);
    lines[42 + int(ExtraCaption::kCoreItem)] = QStringLiteral("Kern %d");
    QFile file(QString::fromStdString(machine->system.ExecutableDir()) + "Languages/Xx.txt");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    file.close();
    Start(24, Hybrid());
    const int items = mainWindow().findChildren<QAction*>().size();

    mainWindow().program().SelectLanguage("Xx");

    QCOMPARE(Action(QStringLiteral("Core3_2"))->text(), QStringLiteral("Kern 3"));
    QCOMPARE(Action(QStringLiteral("EveryCpu1"))->text(),
             lines[42 + int(ExtraCaption::kAllCpusItem)]);
    QCOMPARE(Menu("SingleCpus2")->title(), lines[42 + int(ExtraCaption::kSingleCpusMenu)]);
    QCOMPARE(mainWindow().findChildren<QAction*>().size(), items);
    QCOMPARE(mainWindow().findChildren<QMenu*>(QStringLiteral("SingleCpus1")).size(), 1);
  }

  void chooserOf256CpusAppliesAndRecordsTheCheckedCpus() {
    Start(256, PlainTopology(256));
    ChooseCpusDialog* dialog = OpenChooser("ChooseCpus2");
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Choose CPUs"));
    auto* ok = Find<QPushButton>(dialog, QStringLiteral("OkButton"));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QCOMPARE(Find<QPushButton>(dialog, QStringLiteral("CancelButton"))->text(),
             QStringLiteral("Cancel"));
    QCOMPARE(dialog->findChildren<QCheckBox*>().size(), 256);
    // Preset with the selected process's set.
    QCOMPARE(dialog->chosen(), CpuSet{15});
    QVERIFY(ok->isEnabled());

    for (const char* cpu : {"Cpu1", "Cpu2", "Cpu3", "Cpu4"}) Click(Box(dialog, cpu));
    QVERIFY(!ok->isEnabled());
    Box(dialog, QStringLiteral("Cpu200"))->setFocus();
    QTest::keyClick(Box(dialog, QStringLiteral("Cpu200")), Qt::Key_Space);
    Click(Box(dialog, QStringLiteral("Cpu256")));
    QVERIFY(ok->isEnabled());
    QTest::mouseClick(ok, Qt::LeftButton);

    const CpuSet chosen = Cpus("199,255");
    QCOMPARE(machine->platform.MaskOf(200), chosen);
    QCOMPARE(machine->platform.MaskOf(100), CpuSet{15});
    QCOMPARE(machine->ReadDataFile(QStringLiteral("CPU1_0.lst")),
             QStringList({QString::fromStdString(MaskToText(chosen, 256)) + ": Beta.exe"}));
  }

  void aCoresBoxChecksOrClearsItsThreadsAndCancelChangesNothing() {
    Start(24, Hybrid());
    ChooseCpusDialog* dialog = OpenChooser("ChooseCpus1");
    QCOMPARE(Box(dialog, QStringLiteral("Core1"))->checkState(), Qt::Checked);
    QCOMPARE(Box(dialog, QStringLiteral("Core2"))->checkState(), Qt::Checked);
    QVERIFY(!dialog->findChild<QCheckBox*>(QStringLiteral("Core9")));

    Click(Box(dialog, QStringLiteral("Cpu4")));
    QCOMPARE(Box(dialog, QStringLiteral("Core2"))->checkState(), Qt::PartiallyChecked);
    Click(Box(dialog, QStringLiteral("Core2")));
    QCOMPARE(dialog->chosen(), Cpus("0-3"));
    Click(Box(dialog, QStringLiteral("Core1")));
    QCOMPARE(dialog->chosen(), Cpus("2-3"));
    QCOMPARE(Box(dialog, QStringLiteral("Core1"))->checkState(), Qt::Unchecked);
    Click(Box(dialog, QStringLiteral("Core8")));
    QCOMPARE(dialog->chosen(), Cpus("2-3,14-15"));

    QTest::mouseClick(Find<QPushButton>(dialog, QStringLiteral("CancelButton")), Qt::LeftButton);
    QVERIFY(machine->platform.calls().setLog.empty());
  }
};

QTEST_MAIN(MachineSetsTest)
#include "machine_sets_test.moc"
