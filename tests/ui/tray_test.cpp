// SPDX-License-Identifier: GPL-3.0-or-later

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
#include "helpers/window_fixture.h"
#include "helpers/wine.h"
#include "ui/about_window.h"
#include "ui/donation_window.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/tray_icon.h"
#include "ui/window_set.h"

using namespace mervale;

// The offscreen platform has no tray host; where a test needs one, it says so through
// TrayIcon::OverrideAvailability, since Qt embeds the icon only into a real host.
class TrayTest : public QObject, protected WindowFixture {
  Q_OBJECT

 private:
  QSystemTrayIcon* Icon() { return mainWindow().findChild<QSystemTrayIcon*>(); }
  QTimer* StartupTimer() { return mainWindow().findChild<QTimer*>(QStringLiteral("Timer2")); }
  void StartShown() {
    Start();
    windows->launch();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow()));
  }

 private slots:
  void init() { SetUpMachine({{100, "alpha.exe"}}); }

  void cleanup() {
    TrayIcon::overrideAvailability(std::nullopt);
    TearDownMachine();
  }

  void launchAndTheFirstStartupTick_data() {
    QTest::addColumn<bool>("startMinimized");
    QTest::addColumn<bool>("trayAvailable");
    QTest::newRow("shown, with a tray") << false << true;
    QTest::newRow("shown, without a tray") << false << false;
    QTest::newRow("minimised into the tray") << true << true;
    // Hidden there, the window could not be brought back.
    QTest::newRow("minimised onto the taskbar without a tray") << true << false;
  }

  // The main window alone comes up; the start-up tick then hides it into the tray, or minimises it
  // where there is none, when "Start minimized" is set.
  void launchAndTheFirstStartupTick() {
    QFETCH(bool, startMinimized);
    QFETCH(bool, trayAvailable);
    TrayIcon::overrideAvailability(trayAvailable);
    machine->WriteDataFile(QStringLiteral("Settings.ini"),
                           {"4", "F", startMinimized ? "T" : "F", "0", "1", "F"});
    // Looked at before any wait: under Wine showing a window can take longer than the tick.
    Start();
    windows->launch();
    QVERIFY(mainWindow().isVisible());
    QVERIFY(!windows->optionsWindow().isVisible());
    QVERIFY(!windows->aboutWindow().isVisible());
    QVERIFY(!windows->donationWindow().isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(!StartupTimer()->isActive(), 60000);
    QCOMPARE(mainWindow().isVisible(), !(startMinimized && trayAvailable));
    QCOMPARE(mainWindow().isMinimized(), startMinimized && !trayAvailable);
    QVERIFY(Icon()->isVisible());
  }

  void minimiseHidesIntoTheTray() {
    if (RunningUnderWine())
      QSKIP(
          "Wine: after showMinimized() the window stays shown and is not minimised, so it never "
          "goes into the tray");
    TrayIcon::overrideAvailability(true);
    StartShown();
    const QRect before = mainWindow().geometry();

    mainWindow().showMinimized();
    QTRY_VERIFY(!mainWindow().isVisible());
    QVERIFY(!mainWindow().isMinimized());

    emit Icon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!mainWindow().isVisible());
    emit Icon()->activated(QSystemTrayIcon::DoubleClick);
    QVERIFY(mainWindow().isVisible());
    QVERIFY(!mainWindow().isMinimized());
    QCOMPARE(mainWindow().geometry(), before);
  }

  void withoutATrayMinimiseMinimises() {
    TrayIcon::overrideAvailability(false);
    StartShown();

    mainWindow().showMinimized();
    QTRY_VERIFY(mainWindow().isMinimized());
    QVERIFY(mainWindow().isVisible());
  }

  void showFromTheTrayMenu() {
    StartShown();
    mainWindow().hide();
    mainWindow().findChild<QAction*>(QStringLiteral("Show1"))->trigger();
    QVERIFY(mainWindow().isVisible());
  }

  void contextActivationOpensTheTrayMenu() {
    StartShown();
    auto* menu = mainWindow().findChild<QMenu*>(QStringLiteral("PopupMenu2"));
    QVERIFY(!menu->isVisible());

    emit Icon()->activated(QSystemTrayIcon::Context);

    QTRY_VERIFY(menu->isVisible());
    menu->close();
  }

  void secondaryWindowsOnlyHide() {
    StartShown();
    mainWindow().findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    OptionsWindow& options = windows->optionsWindow();
    QVERIFY(options.isVisible());
    options.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
    QVERIFY(!options.isVisible());
    QVERIFY(mainWindow().isVisible());
    QVERIFY(Icon()->isVisible());
  }

  // Last: it runs and ends the application's own loop.
  void exitEndsTheProgramWhileOtherWindowsAreOpen() {
    StartShown();
    windows->optionsWindow().show();
    mainWindow().hide();
    bool loopEnded = false;
    QTimer::singleShot(0, &mainWindow(), [this] {
      mainWindow().findChild<QAction*>(QStringLiteral("Exit1"))->trigger();
    });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });

    loopEnded = QApplication::exec() == 0;

    QVERIFY(loopEnded);
    QVERIFY(!Icon()->isVisible());
  }
};

QTEST_MAIN(TrayTest)
#include "tray_test.moc"
