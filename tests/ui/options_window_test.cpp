// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTimer>

#include <memory>

#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/window_fixture.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/radio_group.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

// A style whose frames take far more room than the common ones, as a Windows theme's may.
class WideFrames : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    return metric == PM_DefaultFrameWidth ? 20 : QProxyStyle::pixelMetric(metric, option, widget);
  }
};

}  // namespace

class OptionsWindowTest : public QObject, protected WindowFixture {
  Q_OBJECT

 private:
  OptionsWindow& optionsWindow() { return windows->optionsWindow(); }
  template <typename T>
  T* Control(const char* name) {
    return optionsWindow().findChild<T*>(QString::fromLatin1(name));
  }
  QTimer* RefreshTimer() {
    return windows->mainWindow().findChild<QTimer*>(QStringLiteral("Timer1"));
  }
  QString SettingsLine(int index) {
    return machine->ReadDataFile(QStringLiteral("Settings.ini")).value(index);
  }

 private slots:
  void init() {
    SetUpMachine({{100, "alpha.exe"}});
    Start();
    optionsWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&optionsWindow()));
  }

  void cleanup() { TearDownMachine(); }

  void refreshRateEdits() {
    auto* edit = Control<QLineEdit>("Edit1");
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("5"));
    QCOMPARE(RefreshTimer()->interval(), 5000);
    QCOMPARE(SettingsLine(4), QStringLiteral("5"));

    // Clearing the field: the box says so, and the field shows the rate in force again.
    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(boxes->Shown(), QStringList({"Mervale: '' ist kein gültiger Integerwert."}));
    QCOMPARE(edit->text(), QStringLiteral("5"));
    QCOMPARE(RefreshTimer()->interval(), 5000);
    QCOMPARE(SettingsLine(4), QStringLiteral("5"));

    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("7"));
    QCOMPARE(RefreshTimer()->interval(), 7000);
    QCOMPARE(edit->text(), QStringLiteral("7"));

    edit->setText(QStringLiteral("0"));
    QVERIFY(!RefreshTimer()->isActive());
  }

  // The refresh field's text area holds five digits whatever room the style's frame takes.
  void refreshFieldHoldsFiveDigitsInAnyStyle() {
    const QString previous = QApplication::style()->name();
    TearDownMachine();
    QApplication::setStyle(new WideFrames(QStyleFactory::create(previous)));
    SetUpMachine({{100, "alpha.exe"}});
    Start();
    auto* edit = Control<QLineEdit>("Edit1");
    QStyleOptionFrame frame;
    frame.initFrom(edit);
    frame.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, edit);
    const QRect text = edit->style()->subElementRect(QStyle::SE_LineEditContents, &frame, edit);
    QApplication::setStyle(previous);
    QVERIFY(text.width() >= edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
  }

  void typingARateAfterZeroRestartsTheTimer_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("interval");
    QTest::newRow("the same rate") << QStringLiteral("1") << 1000;
    QTest::newRow("another rate") << QStringLiteral("3") << 3000;
    QTest::newRow("two digits") << QStringLiteral("12") << 12000;
  }

  void typingARateAfterZeroRestartsTheTimer() {
    QFETCH(QString, typed);
    QFETCH(int, interval);
    auto* edit = Control<QLineEdit>("Edit1");
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("0"));
    QVERIFY(!RefreshTimer()->isActive());

    edit->selectAll();
    QTest::keyClicks(edit, typed);
    QVERIFY(RefreshTimer()->isActive());
    QCOMPARE(RefreshTimer()->interval(), interval);
    QCOMPARE(boxes->Shown(), QStringList());
  }

  void checkBoxes() {
    Control<QCheckBox>("CheckBox1")->click();
    QCOMPARE(machine->system.AutostartEntry(), machine->system.ExecutablePath());
    QCOMPARE(SettingsLine(1), QStringLiteral("T"));
    Control<QCheckBox>("CheckBox1")->click();
    QVERIFY(!machine->system.AutostartEntry().has_value());

    Control<QCheckBox>("CheckBox2")->click();
    QCOMPARE(SettingsLine(2), QStringLiteral("T"));

    Control<QCheckBox>("CheckBox3")->click();
    QCOMPARE(SettingsLine(5), QStringLiteral("T"));
    QVERIFY(windows->program().Policy().cycleCpus == CpuSet::FirstCpus(4));
    QCOMPARE(boxes->Shown(), QStringList());
  }

  void quadCoreOnlyOnMachinesWithAtMostFourCpus() {
    QVERIFY(Control<QCheckBox>("CheckBox3")->isVisible());
    QVERIFY(Control<QComboBox>("CycleChoice")->isHidden());
    QVERIFY(Control<QLabel>("CycleLabel")->isHidden());
  }

  // Eight CPUs: the cycle choice stands in for "Quad core", names its items in the chosen language
  // and stores the choice on lines 6 and 7.
  void cycleChoiceOnABigMachine() {
    windows.reset();
    machine = std::make_unique<TestMachine>();
    machine->platform.SetCpuCount(8);
    machine->platform.AddProcess(100, "alpha.exe", CpuSet::FirstCpus(8));
    QStringList cycles;
    for (int i = 0; i < kLanguageTableLines + kAddedCaptionCount; ++i) {
      cycles << QStringLiteral("cy%1").arg(i);
    }
    QFile language(QString::fromStdString(machine->system.ExecutableDir()) +
                   QStringLiteral("Languages/Cycles.txt"));
    QVERIFY(language.open(QIODevice::WriteOnly));
    language.write(cycles.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    language.close();
    Start();
    optionsWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&optionsWindow()));

    auto* choice = Control<QComboBox>("CycleChoice");
    QVERIFY(choice->isVisible());
    QVERIFY(Control<QCheckBox>("CheckBox3")->isHidden());
    QCOMPARE(Control<QLabel>("CycleLabel")->text(), QStringLiteral("Automatic cycles over:"));
    const auto items = [choice] {
      QStringList texts;
      for (int i = 0; i < choice->count(); ++i) texts << choice->itemText(i);
      return texts;
    };
    QCOMPARE(items(), QStringList({"Two CPUs", "Four CPUs", "One thread per core", "All CPUs"}));
    QCOMPARE(choice->currentIndex(), 0);
    QCOMPARE(SettingsLine(6), QStringLiteral("two"));

    const Program& program = windows->program();
    const struct {
      int key;
      int index;
      QString line6, line7;
      CpuSet cycle;
    } steps[] = {
        {Qt::Key_End, 3, "F", "all", CpuSet::FirstCpus(8)},
        {Qt::Key_Up, 2, "F", "cores", CpuSet::FirstCpus(8)},
        {Qt::Key_Up, 1, "T", "four", CpuSet::FirstCpus(4)},
    };
    for (const auto& step : steps) {
      QTest::keyClick(choice, Qt::Key(step.key));
      QCOMPARE(choice->currentIndex(), step.index);
      QCOMPARE(SettingsLine(5), step.line6);
      QCOMPARE(SettingsLine(6), step.line7);
      QVERIFY(program.Policy().cycleCpus == step.cycle);
    }

    auto* languages = Control<RadioGroup>("RadioGroup1");
    languages->button(int(languages->items().indexOf(QStringLiteral("Cycles"))))->click();
    QCOMPARE(Control<QLabel>("CycleLabel")->text(), QStringLiteral("cy54"));
    QCOMPARE(items(), QStringList({"cy55", "cy56", "cy48", "cy49"}));
    QCOMPARE(choice->currentIndex(), 1);
    QCOMPARE(boxes->Shown(), QStringList());
  }

  void failedAutostartIsReported() {
    machine->system.SetAutostartWriteFails(true);
    Control<QCheckBox>("CheckBox1")->click();
    QCOMPARE(boxes->Shown().size(), 1);
    QVERIFY(boxes->Shown().first().contains(QStringLiteral("Mervale")));
    QCOMPARE(SettingsLine(1), QStringLiteral("F"));
  }

  void languageChoice() {
    auto* languages = Control<RadioGroup>("RadioGroup1");
    QCOMPARE(languages->items(), QStringList({"English", "German"}));
    QCOMPARE(languages->itemIndex(), 0);  // the language in use

    languages->button(1)->click();
    QCOMPARE(languages->itemIndex(), 1);
    QCOMPARE(machine->ReadDataFile(QStringLiteral("lang.ini")), QStringList({"German"}));
    QCOMPARE(Control<QPushButton>("Button1")->text(), QStringLiteral("de39"));
    QCOMPARE(windows->mainWindow().findChild<QPushButton*>(QStringLiteral("Button1"))->text(),
             QStringLiteral("de8"));
    // The title and the group caption keep their texts.
    QCOMPARE(optionsWindow().windowTitle(), QStringLiteral("Options"));
    QCOMPARE(languages->title(), QStringLiteral("Languages:"));

    machine->RemoveDataFile(QStringLiteral("lang.ini"));
    languages->button(1)->click();
    QVERIFY(!machine->HasDataFile(QStringLiteral("lang.ini")));
  }

  void opensCentredOverTheMainWindowOnlyTheFirstTime() {
    const QPoint offset =
        optionsWindow().frameGeometry().center() - windows->mainWindow().frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 2,
             qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    optionsWindow().move(10, 20);
    const QPoint moved = optionsWindow().pos();
    optionsWindow().close();
    optionsWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&optionsWindow()));
    QCOMPARE(optionsWindow().pos(), moved);
  }

  void closeOnlyHides() {
    Control<QPushButton>("Button1")->click();
    QVERIFY(!optionsWindow().isVisible());
    optionsWindow().show();
    optionsWindow().close();
    QVERIFY(!optionsWindow().isVisible());
    optionsWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(&optionsWindow()));
    QTest::keyClick(&optionsWindow(), Qt::Key_Escape);
    QVERIFY(!optionsWindow().isVisible());
    QVERIFY(Control<QLineEdit>("Edit1") != nullptr);
  }
};

QTEST_MAIN(OptionsWindowTest)
#include "options_window_test.moc"
