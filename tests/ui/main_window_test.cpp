#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/url_recorder.h"
#include "ui/click_label.h"
#include "ui/main_window.h"
#include "ui/donation_window.h"
#include "ui/options_window.h"
#include "ui/profile_combo_box.h"
#include "ui/radio_group.h"
#include "ui/about_window.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

template <typename T>
T* Find(const QObject* parent, const QString& name) {
  T* found = parent->findChild<T*>(name);
  if (!found) qFatal("no %s", qPrintable(name));
  return found;
}

QStringList Column(const QAbstractItemModel* model, int column) {
  QStringList texts;
  for (int row = 0; row < model->rowCount(); ++row)
    texts << model->index(row, column).data().toString();
  return texts;
}

const char* const kModeItems[] = {"Automatic1", "Manual1", "CPU12", "CPU1", "Off1"};

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestMachine> machine;
  std::unique_ptr<MessageBoxes> boxes;
  std::unique_ptr<WindowSet> windows;

  void Start() { windows = std::make_unique<WindowSet>(machine->platform, machine->system); }
  TForm1& Form1() { return windows->Form1(); }
  QTableView* ListView1() { return Find<QTableView>(&Form1(), QStringLiteral("ListView1")); }
  RadioGroup* Modes() { return Find<RadioGroup>(&Form1(), QStringLiteral("RadioGroup1")); }
  QAction* Action(const char* name) { return Find<QAction>(&Form1(), QString::fromLatin1(name)); }
  QStringList CheckedModeItems() {
    QStringList checked;
    for (const char* name : kModeItems)
      if (Action(name)->isChecked()) checked << QString::fromLatin1(name);
    return checked;
  }
  // Selects exactly the rows of these PIDs, as clicks with Ctrl would.
  void SelectPids(const QStringList& pids) {
    QTableView* view = ListView1();
    view->clearSelection();
    const QStringList shown = Column(view->model(), 1);
    for (const QString& pid : pids) {
      const QModelIndex cell = view->model()->index(shown.indexOf(pid), 0);
      QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                        view->visualRect(cell).center());
    }
  }
  void ClickHeader(int column) {
    QHeaderView* header = ListView1()->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  }

 private slots:
  void init() {
    machine = std::make_unique<TestMachine>();
    boxes = std::make_unique<MessageBoxes>();
    machine->platform.AddProcess(100, "alpha.exe", 15);
    machine->platform.AddProcess(200, "Beta.exe", 15);
    machine->platform.AddProcess(300, "gamma.exe", 15);
  }

  void cleanup() {
    windows.reset();
    boxes.reset();
    machine.reset();
  }

  void startUpFillsTheWindowsInOrder() {
    machine->WriteDataFile(QStringLiteral("Skip.dat"), {QStringLiteral("beta.exe")});
    Start();

    QCOMPARE(boxes->Shown(), QStringList());
    QCOMPARE(Find<QListWidget>(&Form1(), QStringLiteral("ListBox2"))->count(), 1);
    QVERIFY(Find<QSystemTrayIcon>(&Form1(), QString())->isVisible());
    QCOMPARE(Column(ListView1()->model(), 0), QStringList({"alpha.exe", "Beta.exe", "gamma.exe"}));
    // The Options window existed before the settings were restored and the language applied.
    QCOMPARE(Find<RadioGroup>(&windows->Form2(), QStringLiteral("RadioGroup1"))->Items(),
             QStringList({"English", "German"}));
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Settings.ini")),
             QStringList({"4", "F", "F", "0", "1", "F"}));
    QCOMPARE(machine->ReadDataFile(QStringLiteral("lang.ini")), QStringList({"English"}));
    QCOMPARE(Modes()->ItemIndex(), 4);
    QCOMPARE(CheckedModeItems(), QStringList({"Off1"}));
    QVERIFY(!Form1().isVisible());
    QCOMPARE(Form1().windowTitle(), QStringLiteral("Mervale"));
    for (const char* timer : {"Timer1", "Timer2"}) {
      QVERIFY(Find<QTimer>(&Form1(), QString::fromLatin1(timer))->isActive());
      QCOMPARE(Find<QTimer>(&Form1(), QString::fromLatin1(timer))->interval(), 1000);
    }
  }

  void startUpWithoutExclusionFileWritesNone() {
    Start();
    QCOMPARE(Find<QListWidget>(&Form1(), QStringLiteral("ListBox2"))->count(), 0);
    QVERIFY(!machine->HasDataFile(QStringLiteral("Skip.dat")));
  }

  void restoredSettingsReachBothWindows() {
    machine->WriteDataFile(QStringLiteral("Settings.ini"), {"1", "F", "T", "3", "5", "T"});
    machine->WriteDataFile(QStringLiteral("CPU1_3.lst"), {"1000: alpha.exe"});
    Start();

    QCOMPARE(Modes()->ItemIndex(), 1);
    QCOMPARE(CheckedModeItems(), QStringList({"Manual1"}));
    QCOMPARE(Find<ProfileComboBox>(&Form1(), QStringLiteral("ComboBox1"))->currentIndex(), 3);
    QCOMPARE(Find<QListWidget>(&Form1(), QStringLiteral("ListBox1"))->item(0)->text(),
             QStringLiteral("1000: alpha.exe"));
    QCOMPARE(machine->platform.MaskOf(100), 1u);
    QCOMPARE(Find<QTimer>(&Form1(), QStringLiteral("Timer1"))->interval(), 5000);
    TForm2& options = windows->Form2();
    QVERIFY(!Find<QCheckBox>(&options, QStringLiteral("CheckBox1"))->isChecked());
    QVERIFY(Find<QCheckBox>(&options, QStringLiteral("CheckBox2"))->isChecked());
    QVERIFY(Find<QCheckBox>(&options, QStringLiteral("CheckBox3"))->isChecked());
    QCOMPARE(Find<QLineEdit>(&options, QStringLiteral("Edit1"))->text(), QStringLiteral("5"));
  }

  void errorInMainWindowCreationEndsOnlyThatStep() {
    machine->system.SetDataDir(std::nullopt);
    machine->system.SetSystemLocaleId(0x0401);
    Start();

    QVERIFY(!boxes->Shown().isEmpty());
    QVERIFY(boxes->Shown().first().startsWith(QStringLiteral("Mervale: ")));
    // The tray icon came before the failed step (the exclusion list); the banner after it did not.
    QVERIFY(Find<QSystemTrayIcon>(&Form1(), QString())->isVisible());
    QVERIFY(Find<QWidget>(&Form1(), QStringLiteral("Panel7"))->isHidden());
    // ...but the other windows were still created.
    QCOMPARE(Find<RadioGroup>(&windows->Form2(), QStringLiteral("RadioGroup1"))->Items().size(), 2);
  }

  void localeBanner_data() {
    QTest::addColumn<uint>("localeId");
    QTest::addColumn<bool>("shown");
    QTest::newRow("English") << 0x0409u << false;
    QTest::newRow("German") << 0x0407u << false;
    QTest::newRow("Arabic") << 0x0401u << true;
    QTest::newRow("Turkish") << 0x041Fu << true;
    QTest::newRow("Urdu") << 0x0420u << true;
    QTest::newRow("Indonesian") << 0x0421u << true;
    QTest::newRow("Farsi") << 0x0429u << true;
    QTest::newRow("only the low byte counts") << 0x1001u << true;
  }

  void localeBanner() {
    QFETCH(uint, localeId);
    QFETCH(bool, shown);
    machine->system.SetSystemLocaleId(localeId);
    Start();
    QCOMPARE(!Find<QWidget>(&Form1(), QStringLiteral("Panel7"))->isHidden(), shown);
  }

  void modeChange_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("mode");
    QTest::addColumn<uint>("maskOfNewlyHandled");
    QTest::newRow("radio CPU 1") << "radio" << 2 << 1u;
    QTest::newRow("radio CPU 2") << "radio" << 3 << 2u;
    QTest::newRow("tray Automatic") << "Automatic1" << 0 << 1u;
    QTest::newRow("tray Manual") << "Manual1" << 1 << 15u;
    QTest::newRow("tray CPU1") << "CPU12" << 2 << 1u;
    QTest::newRow("tray CPU2") << "CPU1" << 3 << 2u;
  }

  void modeChange() {
    QFETCH(QString, control);
    QFETCH(int, mode);
    QFETCH(uint, maskOfNewlyHandled);
    Start();
    machine->platform.ResetCalls();

    if (control == QLatin1String("radio")) {
      QAbstractButton* button = Modes()->Button(mode);
      QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    } else {
      Action(qPrintable(control))->trigger();
    }

    QCOMPARE(Modes()->ItemIndex(), mode);
    QCOMPARE(CheckedModeItems(), QStringList({QString::fromLatin1(kModeItems[mode])}));
    QCOMPARE(machine->platform.MaskOf(100), maskOfNewlyHandled);
    QVERIFY(machine->platform.calls().snapshotsCreated > 0);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Settings.ini")).value(0), QString::number(mode));
    QCOMPARE(ListView1()->model()->rowCount(), 3);
  }

  void currentModeItemRunsNothing() {
    Start();
    machine->RemoveDataFile(QStringLiteral("Settings.ini"));
    machine->platform.ResetCalls();

    Action("Off1")->trigger();

    QCOMPARE(machine->platform.calls().snapshotsCreated, 0);
    QVERIFY(!machine->HasDataFile(QStringLiteral("Settings.ini")));
    QCOMPARE(CheckedModeItems(), QStringList({"Off1"}));
  }

  void columnClicksSort() {
    machine->platform.AddProcess(9, "zeta.exe", 15);
    machine->platform.AddProcess(10, "_under.exe", 15);
    Start();
    const QAbstractItemModel* rows = ListView1()->model();

    ClickHeader(0);
    QCOMPARE(Column(rows, 0),
             QStringList({"_under.exe", "zeta.exe", "gamma.exe", "Beta.exe", "alpha.exe"}));
    ClickHeader(0);
    QCOMPARE(Column(rows, 0),
             QStringList({"alpha.exe", "Beta.exe", "gamma.exe", "zeta.exe", "_under.exe"}));
    ClickHeader(1);
    QCOMPARE(Column(rows, 1), QStringList({"9", "10", "100", "200", "300"}));
    ClickHeader(1);
    QCOMPARE(Column(rows, 1), QStringList({"300", "200", "100", "10", "9"}));
  }

  void ctrlASelectsAllOnlyWithoutShift() {
    Start();
    QTableView* view = ListView1();
    view->setFocus();

    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 0);

    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 3);
    const ProcessTable& table = Form1().program().Engine().Table();
    for (int row = 0; row < table.RowCount(); ++row) QVERIFY(table.RowAt(row).selected);
  }

  void setEntries_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<QString>("recorded");
    const struct {
      const char* item;
      uint mask;
      const char* recorded;
    } entries[] = {
        {"CPU11", 1, ""},      {"CPU21", 2, ""},      {"CPU31", 4, ""},      {"CPU41", 8, ""},
        {"CPU121", 3, ""},     {"CPU341", 12, ""},    {"N11", 1, ""},        {"N21", 2, ""},
        {"N31", 4, ""},        {"N41", 8, ""},        {"N121", 3, ""},       {"N131", 5, ""},
        {"N141", 9, ""},       {"N231", 6, ""},       {"N241", 10, ""},      {"N341", 12, ""},
        {"N1231", 7, ""},      {"N1241", 11, ""},     {"N1341", 13, ""},     {"N2341", 14, ""},
        {"N12341", 15, ""},    {"N12", 1, "1000"},    {"N22", 2, "0100"},    {"N32", 4, "0010"},
        {"N42", 8, "0001"},    {"N122", 3, "1100"},   {"N132", 5, "1010"},   {"N142", 9, "1001"},
        {"N232", 6, "0110"},   {"N242", 10, "0101"},  {"N342", 12, "0011"},  {"N1232", 7, "1110"},
        {"N1242", 11, "1101"}, {"N1342", 13, "1011"}, {"N2342", 14, "0111"}, {"N12342", 15, "1111"},
    };
    for (const auto& entry : entries)
      QTest::newRow(entry.item) << entry.item << entry.mask << entry.recorded;
  }

  void setEntries() {
    QFETCH(QString, item);
    QFETCH(uint, mask);
    QFETCH(QString, recorded);
    Start();
    SelectPids({"200"});
    machine->platform.ResetCalls();

    Find<QAction>(&Form1(), item)->trigger();

    QCOMPARE(machine->platform.calls().setLog.size(), std::size_t{1});
    QCOMPARE(machine->platform.calls().setLog[0].pid, 200u);
    QCOMPARE(machine->platform.calls().setLog[0].mask, mask);
    QCOMPARE(machine->platform.MaskOf(100), 15u);
    const QStringList profile = machine->ReadDataFile(QStringLiteral("CPU1_0.lst"));
    auto* list = Find<QListWidget>(&Form1(), QStringLiteral("ListBox1"));
    if (recorded.isEmpty()) {
      QCOMPARE(list->count(), 0);
      QCOMPARE(profile, QStringList());
    } else {
      QCOMPARE(list->count(), 1);
      QCOMPARE(list->item(0)->text(), recorded + QStringLiteral(": Beta.exe"));
      QCOMPARE(profile, QStringList({recorded + QStringLiteral(": Beta.exe")}));
    }
  }

  void processMenuHoldsEveryItemInOrder() {
    Start();
    auto* menu = Find<QMenu>(&Form1(), QStringLiteral("PopupMenu1"));
    QStringList names;
    for (const QAction* item : menu->actions()) names << item->objectName();
    QCOMPARE(names, QStringList({"CPU11", "CPU21", "CPU31", "CPU41", "CPU121", "CPU341", "Isolate1",
                                 "Exclude1", "N3", "AllCPUs1", "Addtolist1"}));
    QVERIFY(Action("N3")->isSeparator());
    QStringList twoCpus;
    for (const QAction* item : Find<QMenu>(&Form1(), QStringLiteral("woCPUs2"))->actions())
      twoCpus << item->text();
    QCOMPARE(twoCpus, QStringList({"1+2", "1+3", "1+4", "2+3", "2+4", "3+4"}));
  }

  void isolateAndExcludeFromTheMenu() {
    machine->platform.AddProcess(400, "Notepad.EXE", 15);
    Start();
    SelectPids({"400"});

    Action("Isolate1")->trigger();
    QCOMPARE(machine->platform.MaskOf(400), 1u);
    for (Pid other : {100u, 200u, 300u}) QCOMPARE(machine->platform.MaskOf(other), 2u);
    QCOMPARE(Column(ListView1()->model(), 2), QStringList({"0100", "0100", "0100", "1000"}));

    Action("Exclude1")->trigger();
    QCOMPARE(Find<QListWidget>(&Form1(), QStringLiteral("ListBox2"))->item(0)->text(),
             QStringLiteral("notepad.exe"));
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Skip.dat")), QStringList({"notepad.exe"}));
  }

  void listKeys() {
    machine->WriteDataFile(QStringLiteral("CPU1_0.lst"),
                           {"1000: alpha.exe", "0100: gamma.exe", "0011: zeta.exe"});
    machine->WriteDataFile(QStringLiteral("Skip.dat"), {"beta.exe"});
    Start();
    auto* profile = Find<QListWidget>(&Form1(), QStringLiteral("ListBox1"));
    auto* exclusions = Find<QListWidget>(&Form1(), QStringLiteral("ListBox2"));

    profile->item(1)->setSelected(true);
    QTest::keyClick(profile, Qt::Key_Delete, Qt::ShiftModifier);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("CPU1_0.lst")),
             QStringList({"1000: alpha.exe", "0011: zeta.exe"}));

    QTest::keyClick(profile, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(profile->selectedItems().size(), 0);
    QTest::keyClick(profile, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(profile->selectedItems().size(), 2);

    exclusions->item(0)->setSelected(true);
    QTest::keyClick(exclusions, Qt::Key_Delete);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Skip.dat")), QStringList({"beta.exe"}));
    Action("Delete2")->trigger();
    QCOMPARE(exclusions->count(), 0);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Skip.dat")), QStringList());
  }

  void failureShownOnceWhileOpen() {
    Start();
    boxes = std::make_unique<MessageBoxes>(400);
    machine->platform.FailSnapshots(FakeProcessPlatform::kAccessDenied);
    machine->platform.ResetCalls();
    Form1().SetRefreshInterval(20);

    // The rebuild of a mode change fails first; refresh ticks go on under its box.
    Action("Automatic1")->trigger();
    QCOMPARE(boxes->OpenCount(), 0);
    QCOMPARE(boxes->Shown(), QStringList({"Mervale: Failure"}));
    QVERIFY(machine->platform.calls().snapshotsCreated > 3);
    // Once it is closed, the next failing tick says so again.
    QTRY_VERIFY(boxes->Shown().size() == 2);
    Form1().SetRefreshInterval(0);
    QTRY_COMPARE_WITH_TIMEOUT(boxes->OpenCount(), 0, 2000);
  }

  void captions_data() {
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("part");
    using T = CaptionTarget;
    const struct {
      T target;
      const char* object;
      const char* part;
    } rows[] = {
        {T::kListView1Column1, "ListView1", "column 0"},
        {T::kListView1Column2, "ListView1", "column 1"},
        {T::kListView1Column3, "ListView1", "column 2"},
        {T::kRadioGroup1, "RadioGroup1", "title"},
        {T::kGroupBox4, "GroupBox4", "title"},
        {T::kComboBox1Text, "ComboBox1", "text"},
        {T::kButton1, "Button1", "text"},
        {T::kPanel2, "Panel2", "text"},
        {T::kPanel3, "Panel3", "text"},
        {T::kTabSheet1, "PageControl1", "tab 0"},
        {T::kTabSheet2, "PageControl1", "tab 1"},
        {T::kAllCPUs1, "AllCPUs1", "item"},
        {T::kCPU11, "CPU11", "item"},
        {T::kCPU21, "CPU21", "item"},
        {T::kCPU121, "CPU121", "item"},
        {T::kN3, "N3", "item"},
        {T::kAddtolist1, "Addtolist1", "item"},
        {T::kShow1, "Show1", "item"},
        {T::kN1, "N1", "item"},
        {T::kMode1, "Mode1", "item"},
        {T::kAutomatic1, "Automatic1", "item"},
        {T::kManual1, "Manual1", "item"},
        {T::kCPU12, "CPU12", "item"},
        {T::kCPU1, "CPU1", "item"},
        {T::kOff1, "Off1", "item"},
        {T::kN2, "N2", "item"},
        {T::kDonation1, "Donation1", "item"},
        {T::kN4, "N4", "item"},
        {T::kExit1, "Exit1", "item"},
        {T::kDelete1, "Delete1", "item"},
        {T::kIsolate1, "Isolate1", "item"},
        {T::kExclude1, "Exclude1", "item"},
        {T::kDelete2, "Delete2", "item"},
        {T::kOptionsLabel1, "Label1", "options"},
        {T::kOptionsCheckBox1, "CheckBox1", "options"},
        {T::kOptionsCheckBox2, "CheckBox2", "options"},
        {T::kOptionsCheckBox3, "CheckBox3", "options"},
        {T::kOptionsButton1, "Button1", "options"},
    };
    for (const auto& row : rows)
      QTest::newRow(qPrintable(QStringLiteral("%1 %2").arg(row.object, row.part)))
          << static_cast<int>(row.target) << row.object << row.part;
  }

  void captions() {
    QFETCH(int, target);
    QFETCH(QString, object);
    QFETCH(QString, part);
    Start();
    const QString caption = QStringLiteral("Beschriftung");

    Form1().SetCaption(static_cast<CaptionTarget>(target), caption.toStdString());

    QString shown;
    if (part.startsWith(QLatin1String("column"))) {
      shown = Find<QTableView>(&Form1(), object)
                  ->model()
                  ->headerData(part.back().digitValue(), Qt::Horizontal)
                  .toString();
    } else if (part == QLatin1String("title")) {
      shown = Find<QGroupBox>(&Form1(), object)->title();
    } else if (part == QLatin1String("text") && object == QLatin1String("ComboBox1")) {
      shown = Find<ProfileComboBox>(&Form1(), object)->Text();
      QCOMPARE(Find<ProfileComboBox>(&Form1(), object)->currentIndex(), 0);
    } else if (part == QLatin1String("text")) {
      shown = Find<QWidget>(&Form1(), object)->property("text").toString();
    } else if (part.startsWith(QLatin1String("tab"))) {
      shown = Find<QTabWidget>(&Form1(), object)->tabText(part.back().digitValue());
    } else if (part == QLatin1String("item")) {
      QAction* item = Action(qPrintable(object));
      QVERIFY(!item->isSeparator());
      shown = item->text();
    } else {
      shown = Find<QWidget>(&windows->Form2(), object)->property("text").toString();
    }
    QCOMPARE(shown, caption);
  }

  void headerAndButtonsOpenTheirWindows() {
    UrlRecorder pages;
    machine->system.SetSystemLocaleId(0x0401);
    Start();
    Form1().show();

    QTest::mouseClick(Find<ClickLabel>(&Form1(), QStringLiteral("Image1")), Qt::LeftButton);
    QCOMPARE(pages.Opened().size(), 1);
    QCOMPARE(pages.Opened().first().scheme(), QStringLiteral("https"));

    QTest::mouseClick(Find<ClickLabel>(&Form1(), QStringLiteral("Panel3")), Qt::LeftButton);
    QVERIFY(windows->InfoForm().isVisible());
    QTest::mouseClick(Find<QPushButton>(&Form1(), QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(windows->Form2().isVisible());
    Action("Donation1")->trigger();
    QVERIFY(windows->Form14().isVisible());
    QVERIFY(Form1().isVisible());
  }

  void separatorsFollowTheirCaption() {
    Start();
    Form1().SetCaption(CaptionTarget::kN1, "-");
    QVERIFY(Action("N1")->isSeparator());
    Form1().SetCaption(CaptionTarget::kN1, "Weiter");
    QVERIFY(!Action("N1")->isSeparator());
    Form1().SetCaption(CaptionTarget::kN1, "-");
    QVERIFY(Action("N1")->isSeparator());
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
