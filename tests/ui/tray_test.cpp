#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <memory>

#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/wine.h"
#include "ui/cpu.h"
#include "ui/ohu.h"
#include "ui/tray.h"
#include "ui/window_set.h"

using namespace mervale;

// The offscreen platform has no tray host; where a test needs one, it says so through
// TrayIcon::OverrideAvailability, since Qt embeds the icon only into a real host.
class TrayTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestMachine> machine;
  std::unique_ptr<MessageBoxes> boxes;
  std::unique_ptr<WindowSet> windows;

  TForm1& Form1() { return windows->Form1(); }
  QSystemTrayIcon* Icon() { return Form1().findChild<QSystemTrayIcon*>(); }
  QTimer* Timer2() { return Form1().findChild<QTimer*>(QStringLiteral("Timer2")); }
  void StartShown() {
    windows = std::make_unique<WindowSet>(machine->platform, machine->system);
    Form1().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Form1()));
  }

 private slots:
  void init() {
    machine = std::make_unique<TestMachine>();
    boxes = std::make_unique<MessageBoxes>();
    machine->platform.AddProcess(100, "alpha.exe", 15);
  }

  void cleanup() {
    TrayIcon::OverrideAvailability(std::nullopt);
    windows.reset();
    boxes.reset();
    machine.reset();
  }

  void startMinimizedHidesAtTheFirstTimer2Tick() {
    machine->WriteDataFile(QStringLiteral("Settings.ini"), {"4", "F", "T", "0", "1", "F"});
    // Looked at before any wait: under Wine showing a window can take longer than the tick.
    windows = std::make_unique<WindowSet>(machine->platform, machine->system);
    Form1().show();
    QVERIFY(Form1().isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(!Form1().isVisible(), 3000);
    QVERIFY(!Timer2()->isActive());
    QVERIFY(Icon()->isVisible());
  }

  void withoutStartMinimizedTheWindowStays() {
    StartShown();
    QTRY_VERIFY_WITH_TIMEOUT(!Timer2()->isActive(), 3000);
    QVERIFY(Form1().isVisible());
  }

  void minimiseHidesIntoTheTray() {
    if (RunningUnderWine())
      QSKIP(
          "Wine: after showMinimized() the window stays shown and is not minimised, so it never "
          "goes into the tray");
    TrayIcon::OverrideAvailability(true);
    StartShown();
    const QRect before = Form1().geometry();

    Form1().showMinimized();
    QTRY_VERIFY(!Form1().isVisible());
    QVERIFY(!Form1().isMinimized());

    emit Icon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!Form1().isVisible());
    emit Icon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(Form1().isVisible());
    QVERIFY(!Form1().isMinimized());
    QCOMPARE(Form1().geometry(), before);
  }

  void withoutATrayMinimiseMinimises() {
    TrayIcon::OverrideAvailability(false);
    StartShown();

    Form1().showMinimized();
    QTRY_VERIFY(Form1().isMinimized());
    QVERIFY(Form1().isVisible());
  }

  void showFromTheTrayMenu() {
    StartShown();
    Form1().hide();
    Form1().findChild<QAction*>(QStringLiteral("Show1"))->trigger();
    QVERIFY(Form1().isVisible());
  }

  void contextActivationOpensTheTrayMenu() {
    StartShown();
    auto* menu = Form1().findChild<QMenu*>(QStringLiteral("PopupMenu2"));
    QVERIFY(!menu->isVisible());

    emit Icon()->activated(QSystemTrayIcon::Context);

    QTRY_VERIFY(menu->isVisible());
    menu->close();
  }

  void secondaryWindowsOnlyHide() {
    StartShown();
    Form1().findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    TForm2& options = windows->Form2();
    QVERIFY(options.isVisible());
    options.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    QVERIFY(!options.isVisible());
    QVERIFY(Form1().isVisible());
    QVERIFY(Icon()->isVisible());
  }

  // Last: it runs and ends the application's own loop.
  void exitEndsTheProgramWhileOtherWindowsAreOpen() {
    StartShown();
    windows->Form2().show();
    Form1().hide();
    bool loopEnded = false;
    QTimer::singleShot(0, &Form1(),
                       [this] { Form1().findChild<QAction*>(QStringLiteral("Exit1"))->trigger(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });

    loopEnded = QApplication::exec() == 0;

    QVERIFY(loopEnded);
    QVERIFY(!Icon()->isVisible());
  }
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
