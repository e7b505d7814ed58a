// SPDX-License-Identifier: GPL-3.0-or-later

#include <QAction>
#include <QApplication>
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
#include <tuple>

#include "helpers/find_child.h"
#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/url_recorder.h"
#include "helpers/window_fixture.h"
#include "ui/about_window.h"
#include "ui/click_label.h"
#include "ui/donation_window.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/profile_combo_box.h"
#include "ui/program_timers.h"
#include "ui/radio_group.h"
#include "ui/text_panel.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

QStringList Column(const QAbstractItemModel* model, int column) {
  QStringList texts;
  for (int row = 0; row < model->rowCount(); ++row)
    texts << model->index(row, column).data().toString();
  return texts;
}

// The tray's mode items in the order of the modes.
const char* const kModeItems[] = {"Automatic1", "Manual1", "CPU12", "CPU1", "Off1"};

}  // namespace

class MainWindowTest : public QObject, protected WindowFixture {
  Q_OBJECT

 private:
  QTableView* ProcessView() { return Find<QTableView>(&mainWindow(), QStringLiteral("ListView1")); }
  RadioGroup* Modes() { return Find<RadioGroup>(&mainWindow(), QStringLiteral("RadioGroup1")); }
  QAction* Action(const char* name) {
    return Find<QAction>(&mainWindow(), QString::fromLatin1(name));
  }
  QStringList CheckedModeItems() {
    QStringList checked;
    for (const char* name : kModeItems)
      if (Action(name)->isChecked()) checked << QString::fromLatin1(name);
    return checked;
  }
  // Selects exactly the rows of these PIDs, as clicks with Ctrl would.
  void SelectPids(const QStringList& pids) {
    QTableView* view = ProcessView();
    view->clearSelection();
    const QStringList shown = Column(view->model(), 1);
    for (const QString& pid : pids) {
      const QModelIndex cell = view->model()->index(shown.indexOf(pid), 0);
      QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier,
                        view->visualRect(cell).center());
    }
  }
  void ClickHeader(int column) {
    QHeaderView* header = ProcessView()->horizontalHeader();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  }

 private slots:
  void init() { SetUpMachine({{100, "alpha.exe"}, {200, "Beta.exe"}, {300, "gamma.exe"}}); }

  void cleanup() { TearDownMachine(); }

  void startUpFillsTheWindowsInOrder() {
    machine->WriteDataFile(QStringLiteral("Skip.dat"), {QStringLiteral("beta.exe")});
    Start();

    QCOMPARE(boxes->Shown(), QStringList());
    QCOMPARE(Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox2"))->count(), 1);
    QVERIFY(Find<QSystemTrayIcon>(&mainWindow(), QString())->isVisible());
    QCOMPARE(Column(ProcessView()->model(), 0),
             QStringList({"alpha.exe", "Beta.exe", "gamma.exe"}));
    // The Options window existed before the settings were restored and the language applied.
    QCOMPARE(Find<RadioGroup>(&windows->optionsWindow(), QStringLiteral("RadioGroup1"))->items(),
             QStringList({"English", "German"}));
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Settings.ini")),
             QStringList({"4", "F", "F", "0", "1", "F"}));
    QCOMPARE(machine->ReadDataFile(QStringLiteral("lang.ini")), QStringList({"English"}));
    QCOMPARE(Modes()->itemIndex(), 4);
    QCOMPARE(CheckedModeItems(), QStringList({"Off1"}));
    QVERIFY(!mainWindow().isVisible());
    QCOMPARE(mainWindow().windowTitle(), QStringLiteral("Mervale"));
    for (const char* timer : {"Timer1", "Timer2"}) {
      QVERIFY(Find<QTimer>(&mainWindow(), QString::fromLatin1(timer))->isActive());
      QCOMPARE(Find<QTimer>(&mainWindow(), QString::fromLatin1(timer))->interval(), 1000);
    }
  }

  void startUpWithoutExclusionFileWritesNone() {
    Start();
    QCOMPARE(Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox2"))->count(), 0);
    QVERIFY(!machine->HasDataFile(QStringLiteral("Skip.dat")));
  }

  void restoredSettingsReachBothWindows() {
    machine->WriteDataFile(QStringLiteral("Settings.ini"), {"1", "F", "T", "3", "5", "T"});
    machine->WriteDataFile(QStringLiteral("CPU1_3.lst"), {"1000: alpha.exe"});
    Start();

    QCOMPARE(Modes()->itemIndex(), 1);
    QCOMPARE(CheckedModeItems(), QStringList({"Manual1"}));
    QCOMPARE(Find<ProfileComboBox>(&mainWindow(), QStringLiteral("ComboBox1"))->currentIndex(), 3);
    QCOMPARE(Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox1"))->item(0)->text(),
             QStringLiteral("1000: alpha.exe"));
    QCOMPARE(machine->platform.MaskOf(100), 1u);
    QCOMPARE(Find<QTimer>(&mainWindow(), QStringLiteral("Timer1"))->interval(), 5000);
    OptionsWindow& options = windows->optionsWindow();
    QVERIFY(!Find<QCheckBox>(&options, QStringLiteral("CheckBox1"))->isChecked());
    QVERIFY(Find<QCheckBox>(&options, QStringLiteral("CheckBox2"))->isChecked());
    QVERIFY(Find<QCheckBox>(&options, QStringLiteral("CheckBox3"))->isChecked());
    QCOMPARE(Find<QLineEdit>(&options, QStringLiteral("Edit1"))->text(), QStringLiteral("5"));
  }

  void profileSelectorNamesTheActiveProfile_data() {
    QTest::addColumn<int>("profile");
    QTest::addColumn<QString>("language");  // empty: as started
    for (const int profile : {0, 3, 8}) {
      for (const QString& language : {QString(), QStringLiteral("German")}) {
        QTest::newRow(qPrintable(QStringLiteral("profile %1 %2").arg(profile).arg(language)))
            << profile << language;
      }
    }
  }

  void profileSelectorNamesTheActiveProfile() {
    QFETCH(int, profile);
    QFETCH(QString, language);
    machine->WriteDataFile(QStringLiteral("Settings.ini"),
                           {"4", "F", "F", QString::number(profile), "1", "F"});
    Start();
    if (!language.isEmpty()) windows->program().SelectLanguage(language.toStdString());

    auto* selector = Find<ProfileComboBox>(&mainWindow(), QStringLiteral("ComboBox1"));
    QCOMPARE(selector->currentIndex(), profile);
    // The language's text names the first profile and stands in for its entry alone.
    const QString firstProfileText =
        language.isEmpty() ? QStringLiteral("Profil 1") : QStringLiteral("de7");
    QCOMPARE(selector->text(),
             profile == 0 ? firstProfileText : QStringLiteral("Profil %1").arg(profile + 1));
  }

  void errorInMainWindowCreationEndsOnlyThatStep() {
    machine->system.SetDataDir(std::nullopt);
    machine->system.SetSystemLocaleName("ar_SA");
    Start();

    QVERIFY(!boxes->Shown().isEmpty());
    QVERIFY(boxes->Shown().first().startsWith(QStringLiteral("Mervale: ")));
    // The tray icon came before the failed step (the exclusion list); the banner after it did not.
    QVERIFY(Find<QSystemTrayIcon>(&mainWindow(), QString())->isVisible());
    QVERIFY(Find<QWidget>(&mainWindow(), QStringLiteral("Panel7"))->isHidden());
    // ...but the other windows were still created.
    QCOMPARE(
        Find<RadioGroup>(&windows->optionsWindow(), QStringLiteral("RadioGroup1"))->items().size(),
        2);
  }

  void aBadSettingsValueIsShownAndStartUpGoesOn() {
    machine->WriteDataFile(QStringLiteral("Settings.ini"), {"x", "F", "T", "3", "5", "T"});
    Start();
    auto* tabs = Find<QTabWidget>(&mainWindow(), QStringLiteral("PageControl1"));
    QVERIFY(tabs->tabText(0) != QStringLiteral("TabSheet1"));
    QCOMPARE(boxes->Shown(),
             QStringList{"Mervale: Settings.ini, line 1: 'x' ist kein gültiger Integerwert."});
    // The About window was complete before the restore ran, and stays hidden.
    QVERIFY(Find<TextPanel>(&windows->aboutWindow(), QStringLiteral("TextPanel1"))->isTicking());
    QVERIFY(windows->aboutWindow().isHidden());
  }

  void localeBanner_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("shown");
    QTest::newRow("English") << "en_US.UTF-8" << false;
    QTest::newRow("Arabic") << "ar_EG.UTF-8" << true;
  }

  void localeBanner() {
    QFETCH(QString, locale);
    QFETCH(bool, shown);
    machine->system.SetSystemLocaleName(locale.toStdString());
    Start();
    QCOMPARE(!Find<QWidget>(&mainWindow(), QStringLiteral("Panel7"))->isHidden(), shown);
    // The banner is a picture, not an empty label: Qt's JPEG reader is there (a plugin that a
    // static Windows build must link in).
    const QImage banner =
        Find<ClickLabel>(&mainWindow(), QStringLiteral("Image1"))->pixmap().toImage();
    QCOMPARE(banner.size(), QSize(88, 31));
    QVERIFY(banner.pixel(1, 1) != banner.pixel(44, 15));
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
      QAbstractButton* button = Modes()->button(mode);
      QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    } else {
      Action(qPrintable(control))->trigger();
    }

    QCOMPARE(Modes()->itemIndex(), mode);
    QCOMPARE(CheckedModeItems(), QStringList({QString::fromLatin1(kModeItems[mode])}));
    QCOMPARE(machine->platform.MaskOf(100), maskOfNewlyHandled);
    QVERIFY(machine->platform.calls().snapshotsCreated > 0);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Settings.ini")).value(0), QString::number(mode));
    QCOMPARE(ProcessView()->model()->rowCount(), 3);
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
    const QAbstractItemModel* rows = ProcessView()->model();

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
    QHeaderView* header = ProcessView()->horizontalHeader();
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), 1);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
  }

  // A bigger window widens the table, and the name column takes the room Id and CPU leave.
  void theTableGrowsWithTheWindow() {
    Start();
    mainWindow().resize(868, 479);
    mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow()));
    const int narrow = ProcessView()->width();
    const int sidePanel = Find<QWidget>(&mainWindow(), QStringLiteral("ScrollBox1"))->width();
    mainWindow().resize(1250, 850);
    QTRY_COMPARE(ProcessView()->width(), narrow + 1250 - 868);
    QCOMPARE(Find<QWidget>(&mainWindow(), QStringLiteral("ScrollBox1"))->width(), sidePanel);
    QHeaderView* header = ProcessView()->horizontalHeader();
    QCOMPARE(header->sectionResizeMode(0), QHeaderView::Stretch);
    QCOMPARE(header->sectionResizeMode(1), QHeaderView::ResizeToContents);
    QCOMPARE(header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2),
             ProcessView()->viewport()->width());
  }

  void ctrlASelectsAllOnlyWithoutShift() {
    Start();
    QTableView* view = ProcessView();
    view->setFocus();

    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 0);

    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 3);
    const ProcessTable& table = windows->program().Processes();
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

    Find<QAction>(&mainWindow(), item)->trigger();

    QCOMPARE(machine->platform.calls().setLog.size(), std::size_t{1});
    QCOMPARE(machine->platform.calls().setLog[0].pid, 200u);
    QCOMPARE(machine->platform.calls().setLog[0].mask, mask);
    QCOMPARE(machine->platform.MaskOf(100), 15u);
    const QStringList profile = machine->ReadDataFile(QStringLiteral("CPU1_0.lst"));
    auto* list = Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox1"));
    if (recorded.isEmpty()) {
      QCOMPARE(list->count(), 0);
      QCOMPARE(profile, QStringList());
    } else {
      QCOMPARE(list->count(), 1);
      QCOMPARE(list->item(0)->text(), recorded + QStringLiteral(": Beta.exe"));
      QCOMPARE(profile, QStringList({recorded + QStringLiteral(": Beta.exe")}));
    }
  }

  // A row that comes in and a selection that moves while the menu is open change nothing: the
  // choice hits the process the menu opened on.
  void processMenuActsOnTheProcessesItOpenedOn() {
    Start();
    SelectPids({"200"});
    emit Find<QMenu>(&mainWindow(), QStringLiteral("PopupMenu1"))->aboutToShow();
    machine->platform.AddProcess(150, "aardvark.exe", 15);
    windows->program().RefreshProcesses();
    SelectPids({"300"});

    Action("CPU11")->trigger();
    for (const auto& [pid, mask] : {std::pair{200u, 1u}, {300u, 15u}, {150u, 15u}})
      QCOMPARE(machine->platform.MaskOf(pid), mask);
  }

  void processMenuHoldsEveryItemInOrder() {
    Start();
    auto* menu = Find<QMenu>(&mainWindow(), QStringLiteral("PopupMenu1"));
    QStringList names;
    for (const QAction* item : menu->actions()) names << item->objectName();
    QCOMPARE(names, QStringList({"CPU11", "CPU21", "CPU31", "CPU41", "CPU121", "CPU341", "Restore1",
                                 "Isolate1", "Exclude1", "N3", "AllCPUs1", "Addtolist1"}));
    QVERIFY(Action("N3")->isSeparator());
    QStringList twoCpus;
    for (const QAction* item : Find<QMenu>(&mainWindow(), QStringLiteral("woCPUs2"))->actions())
      twoCpus << item->text();
    QCOMPARE(twoCpus, QStringList({"1+2", "1+3", "1+4", "2+3", "2+4", "3+4"}));
  }

  // On two CPUs, every item naming CPU 3 or 4 is disabled in both menus, and so are the "3 CPUs"
  // and "4 CPUs" submenus, which keep nothing to choose.
  void processMenuDisablesWhatNamesMissingCpus() {
    machine->platform.SetCpuCount(2);
    Start();
    QStringList disabled;
    for (const QAction* item : mainWindow().findChildren<QAction*>())
      if (!item->isEnabled()) disabled << item->objectName();
    disabled.sort();
    const QString expected = QStringLiteral(
        "CPU31 CPU341 CPU41 FourCPUs1 FourCPUs2 N1231 N1232 N12341 N12342 N1241 N1242 N131 N132 "
        "N1341 N1342 N141 N142 N231 N232 N2341 N2342 N241 N242 N31 N32 N341 N342 N41 N42 "
        "hreeCPUs1 hreeCPUs2");
    QCOMPARE(disabled.join(QLatin1Char(' ')), expected);
  }

  // Shift+F10 opens a list's menu as the Menu key does, where the keyboard's focus is.
  void shiftF10OpensTheFocusedListsMenu() {
    Start();
    windows->launch();
    QVERIFY(QTest::qWaitForWindowActive(&mainWindow()));
    for (const auto& [view, menu, page] : {std::tuple{"ListView1", "PopupMenu1", 0},
                                           {"ListBox1", "PopupMenu3", 0},
                                           {"ListBox2", "PopupMenu4", 1}}) {
      Find<QTabWidget>(&mainWindow(), QStringLiteral("PageControl1"))->setCurrentIndex(page);
      auto* list = Find<QAbstractItemView>(&mainWindow(), QString::fromLatin1(view));
      auto* opened = Find<QMenu>(&mainWindow(), QString::fromLatin1(menu));
      list->setFocus();
      QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
      QTRY_VERIFY2(opened->isVisible(), view);
      opened->close();
    }
  }

  // Each control that Tab reaches looks otherwise while it has the focus, in every window; an empty
  // list and a read-only text, which show no item or caret, included.
  void everyTabStopShowsTheFocus() {
    Start();
    for (QWidget* window : std::initializer_list<QWidget*>{&mainWindow(), &windows->optionsWindow(),
                                                           &windows->donationWindow()}) {
      window->show();
      window->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(window));
      // Styles mark the focus once the keyboard has moved it.
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QWidget* first = QApplication::focusWidget();
      QWidget* stop = first;
      do {
        const QImage focused = stop->grab().toImage();
        stop->clearFocus();
        QVERIFY2(stop->grab().toImage() != focused, qPrintable(stop->objectName()));
        stop->setFocus(Qt::TabFocusReason);
        QTest::keyClick(stop, Qt::Key_Tab);
        stop = QApplication::focusWidget();
      } while (stop != first);
      // The dialogs are the main window's and are opened from it, so it stays shown.
      if (window != &mainWindow()) window->hide();
    }
  }

  void isolateAndExcludeFromTheMenu() {
    machine->platform.AddProcess(400, "Notepad.EXE", 15);
    Start();
    SelectPids({"400"});

    Action("Isolate1")->trigger();
    QCOMPARE(machine->platform.MaskOf(400), 1u);
    for (Pid other : {100u, 200u, 300u}) QCOMPARE(machine->platform.MaskOf(other), 2u);
    QCOMPARE(Column(ProcessView()->model(), 2), QStringList({"0100", "0100", "0100", "1000"}));
    Action("RestoreAll1")->trigger();
    QCOMPARE(Column(ProcessView()->model(), 2), QStringList({"1111", "1111", "1111", "1111"}));

    Action("Exclude1")->trigger();
    QCOMPARE(Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox2"))->item(0)->text(),
             QStringLiteral("notepad.exe"));
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Skip.dat")), QStringList({"notepad.exe"}));
  }

  void listKeys() {
    machine->WriteDataFile(QStringLiteral("CPU1_0.lst"),
                           {"1000: alpha.exe", "0100: gamma.exe", "0011: zeta.exe"});
    machine->WriteDataFile(QStringLiteral("Skip.dat"), {"beta.exe"});
    Start();
    auto* profile = Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox1"));
    auto* exclusions = Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox2"));

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
    QCOMPARE(exclusions->count(), 0);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Skip.dat")), QStringList());

    // Tab leaves the process table for the next control.
    ProcessView()->setFocus();
    QTest::keyClick(ProcessView(), Qt::Key_Tab);
    QVERIFY(!ProcessView()->hasFocus());
  }

  void listMenuDeleteTakesOnlyItsListsSelection_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("file");
    QTest::newRow("profile list") << "Delete1"
                                  << "ListBox1"
                                  << "CPU1_0.lst";
    QTest::newRow("exclusion list") << "Delete2"
                                    << "ListBox2"
                                    << "Skip.dat";
  }

  void listMenuDeleteTakesOnlyItsListsSelection() {
    QFETCH(QString, item);
    QFETCH(QString, list);
    const QStringList profileEntries{"1000: alpha.exe", "0100: gamma.exe", "0011: zeta.exe"};
    const QStringList exclusions{"beta.exe", "delta.exe", "eta.exe"};
    machine->WriteDataFile(QStringLiteral("CPU1_0.lst"), profileEntries);
    machine->WriteDataFile(QStringLiteral("Skip.dat"), exclusions);
    Start();
    struct ListUnderTest {
      QString name;
      QString file;
      QStringList lines;
      int selected;  // different in each list, so that a swapped selection shows
    };
    const ListUnderTest lists[] = {{"ListBox1", "CPU1_0.lst", profileEntries, 0},
                                   {"ListBox2", "Skip.dat", exclusions, 2}};
    for (const ListUnderTest& each : lists)
      Find<QListWidget>(&mainWindow(), each.name)->item(each.selected)->setSelected(true);

    Action(qPrintable(item))->trigger();

    for (const ListUnderTest& each : lists) {
      QStringList expected = each.lines;
      if (each.name == list) expected.removeAt(each.selected);
      auto* widget = Find<QListWidget>(&mainWindow(), each.name);
      QStringList shown;
      for (int row = 0; row < widget->count(); ++row) shown << widget->item(row)->text();
      QCOMPARE(shown, expected);
      QCOMPARE(machine->ReadDataFile(each.file), expected);
    }
  }

  void pickingAProfileSwitchesToIt_data() {
    QTest::addColumn<int>("profile");
    for (const int profile : {1, 4, 8})
      QTest::newRow(qPrintable(QStringLiteral("profile %1").arg(profile))) << profile;
  }

  void pickingAProfileSwitchesToIt() {
    QFETCH(int, profile);
    machine->WriteDataFile(QStringLiteral("Settings.ini"), {"1", "F", "F", "0", "1", "F"});
    machine->WriteDataFile(QStringLiteral("CPU1_%1.lst").arg(profile), {"0010: gamma.exe"});
    Start();
    QCOMPARE(machine->platform.MaskOf(300), 15u);

    Find<ProfileComboBox>(&mainWindow(), QStringLiteral("ComboBox1"))->setCurrentIndex(profile);

    auto* entries = Find<QListWidget>(&mainWindow(), QStringLiteral("ListBox1"));
    QCOMPARE(entries->count(), 1);
    QCOMPARE(entries->item(0)->text(), QStringLiteral("0010: gamma.exe"));
    QCOMPARE(machine->platform.MaskOf(300), 4u);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("Settings.ini")).value(3),
             QString::number(profile));
  }

  void failureShownOnceWhileOpen() {
    Start();
    boxes = std::make_unique<MessageBoxes>(400);
    machine->platform.FailSnapshots(FakeProcessPlatform::kAccessDenied);
    machine->platform.ResetCalls();
    windows->view().SetRefreshInterval(20);

    // The rebuild of a mode change fails first; refresh ticks go on under its box.
    Action("Automatic1")->trigger();
    QCOMPARE(boxes->OpenCount(), 0);
    QCOMPARE(boxes->Shown(), QStringList({"Mervale: Failure"}));
    QVERIFY(machine->platform.calls().snapshotsCreated > 3);
    // Once it is closed, the next failing tick says so again.
    QTRY_VERIFY(boxes->Shown().size() == 2);
    windows->view().SetRefreshInterval(0);
    QTRY_COMPARE_WITH_TIMEOUT(boxes->OpenCount(), 0, 60000);
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
        {T::kNameColumn, "ListView1", "column 0"},
        {T::kIdColumn, "ListView1", "column 1"},
        {T::kCpuColumn, "ListView1", "column 2"},
        {T::kModeGroupTitle, "RadioGroup1", "title"},
        {T::kProfileGroupTitle, "GroupBox4", "title"},
        {T::kProfileSelectorText, "ComboBox1", "text"},
        {T::kOptionsButton, "Button1", "text"},
        {T::kHeaderTitle, "Panel2", "text"},
        {T::kAboutLink, "Panel3", "text"},
        {T::kProfileTab, "PageControl1", "tab 0"},
        {T::kExclusionTab, "PageControl1", "tab 1"},
        {T::kAllCpusMenu, "AllCPUs1", "item"},
        {T::kCpu1Item, "CPU11", "item"},
        {T::kCpu2Item, "CPU21", "item"},
        {T::kCpu12Item, "CPU121", "item"},
        {T::kProcessMenuSeparator, "N3", "item"},
        {T::kAddToListMenu, "Addtolist1", "item"},
        {T::kShowItem, "Show1", "item"},
        {T::kTraySeparator1, "N1", "item"},
        {T::kTrayModeMenu, "Mode1", "item"},
        {T::kTraySeparator2, "N2", "item"},
        {T::kDonationItem, "Donation1", "item"},
        {T::kTraySeparator3, "N4", "item"},
        {T::kExitItem, "Exit1", "item"},
        {T::kDeleteProfileEntriesItem, "Delete1", "item"},
        {T::kIsolateItem, "Isolate1", "item"},
        {T::kExcludeItem, "Exclude1", "item"},
        {T::kDeleteExclusionsItem, "Delete2", "item"},
        {T::kRefreshRateLabel, "Label1", "options"},
        {T::kAutostartBox, "CheckBox1", "options"},
        {T::kStartMinimizedBox, "CheckBox2", "options"},
        {T::kQuadCoreBox, "CheckBox3", "options"},
        {T::kCloseOptionsButton, "Button1", "options"},
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

    windows->view().SetCaption(static_cast<CaptionTarget>(target), caption.toStdString());

    QString shown;
    if (part.startsWith(QLatin1String("column"))) {
      shown = Find<QTableView>(&mainWindow(), object)
                  ->model()
                  ->headerData(part.back().digitValue(), Qt::Horizontal)
                  .toString();
    } else if (part == QLatin1String("title")) {
      shown = Find<QGroupBox>(&mainWindow(), object)->title();
    } else if (part == QLatin1String("text") && object == QLatin1String("ComboBox1")) {
      shown = Find<ProfileComboBox>(&mainWindow(), object)->text();
      QCOMPARE(Find<ProfileComboBox>(&mainWindow(), object)->currentIndex(), 0);
    } else if (part == QLatin1String("text")) {
      shown = Find<QWidget>(&mainWindow(), object)->property("text").toString();
    } else if (part.startsWith(QLatin1String("tab"))) {
      shown = Find<QTabWidget>(&mainWindow(), object)->tabText(part.back().digitValue());
    } else if (part == QLatin1String("item")) {
      QAction* item = Action(qPrintable(object));
      QVERIFY(!item->isSeparator());
      shown = item->text();
    } else {
      shown = Find<QWidget>(&windows->optionsWindow(), object)->property("text").toString();
    }
    QCOMPARE(shown, caption);
  }

  void headerAndButtonsOpenTheirWindows() {
    UrlRecorder pages;
    machine->system.SetSystemLocaleName("ar_SA");
    Start();
    mainWindow().show();

    QTest::mouseClick(Find<ClickLabel>(&mainWindow(), QStringLiteral("Image1")), Qt::LeftButton);
    QCOMPARE(pages.Opened().size(), 1);
    QCOMPARE(pages.Opened().first().scheme(), QStringLiteral("https"));

    QTest::mouseClick(Find<ClickLabel>(&mainWindow(), QStringLiteral("Panel3")), Qt::LeftButton);
    QVERIFY(windows->aboutWindow().isVisible());
    QTest::mouseClick(Find<QPushButton>(&mainWindow(), QStringLiteral("Button1")), Qt::LeftButton);
    QVERIFY(windows->optionsWindow().isVisible());
    Action("Donation1")->trigger();
    QVERIFY(windows->donationWindow().isVisible());
    QVERIFY(mainWindow().isVisible());
  }

  void separatorsFollowTheirCaption() {
    Start();
    windows->view().SetCaption(CaptionTarget::kTraySeparator1, "-");
    QVERIFY(Action("N1")->isSeparator());
    windows->view().SetCaption(CaptionTarget::kTraySeparator1, "Weiter");
    QVERIFY(!Action("N1")->isSeparator());
    windows->view().SetCaption(CaptionTarget::kTraySeparator1, "-");
    QVERIFY(Action("N1")->isSeparator());
  }

  // One language line names a mode in the selector and in the tray.
  void modeCaptionsReachSelectorAndTray() {
    Start();
    windows->view().SetModeItems({"Automatik", "-", "Prozessor 1", "Prozessor 2", "Aus"});
    QStringList tray;
    for (const char* name : kModeItems) tray << Action(name)->text();
    QCOMPARE(tray, QStringList({"Automatik", "", "Prozessor 1", "Prozessor 2", "Aus"}));
    QVERIFY(Action("Manual1")->isSeparator());
    const auto buttons = Find<QGroupBox>(&mainWindow(), QStringLiteral("RadioGroup1"))
                             ->findChildren<QRadioButton*>();
    QCOMPARE(buttons.size(), 5);
    QCOMPARE(buttons.last()->text(), QStringLiteral("Aus"));
  }

  void hiddenWindowLeavesTheCpuColumnUntilShown() {
    Start();
    mainWindow().show();
    mainWindow().hide();
    machine->platform.SetMaskFromOutside(100, 4);
    windows->timers().onRefreshTimer();
    const auto cpuText = [this] { return windows->program().Processes().FindRow(100)->maskText; };
    QCOMPARE(cpuText(), std::string("1111"));
    mainWindow().show();
    QCOMPARE(cpuText(), std::string("0010"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
