// SPDX-License-Identifier: GPL-3.0-or-later

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>
#include <QWindow>

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
    TrayIcon::overrideDoubleClickReports(std::nullopt);
    TearDownMachine();
  }

  void launchAndTheFirstStartupTick_data() {
    QTest::addColumn<bool>("startMinimized");
    QTest::addColumn<bool>("trayAtStart");
    QTest::addColumn<bool>("trayAtTick");
    QTest::addColumn<bool>("shownAtStart");
    QTest::addColumn<bool>("shownAfterTick");
    QTest::newRow("shown, with a tray") << false << true << true << true << true;
    QTest::newRow("shown, without a tray") << false << false << false << true << true;
    // Never shown, so it does not flash up before it goes.
    QTest::newRow("hidden in the tray") << true << true << true << false << false;
    // Hidden there, the window could not be brought back, and minimised it could get lost.
    QTest::newRow("shown without a tray") << true << false << false << true << true;
    QTest::newRow("a tray that comes later takes it") << true << false << true << true << false;
  }

  // The main window alone comes up, unless "Start minimized" hides it into a tray; the start-up
  // tick hides it into a tray that came up since.
  void launchAndTheFirstStartupTick() {
    QFETCH(bool, startMinimized);
    QFETCH(bool, trayAtStart);
    QFETCH(bool, trayAtTick);
    QFETCH(bool, shownAtStart);
    QFETCH(bool, shownAfterTick);
    TrayIcon::overrideAvailability(trayAtStart);
    machine->WriteDataFile(QStringLiteral("Settings.ini"),
                           {"4", "F", startMinimized ? "T" : "F", "0", "1", "F"});
    // Looked at before any wait: under Wine showing a window can take longer than the tick.
    Start();
    windows->launch();
    QCOMPARE(mainWindow().isVisible(), shownAtStart);
    QVERIFY(!windows->optionsWindow().isVisible());
    QVERIFY(!windows->aboutWindow().isVisible());
    QVERIFY(!windows->donationWindow().isVisible());
    TrayIcon::overrideAvailability(trayAtTick);

    QTRY_VERIFY_WITH_TIMEOUT(!StartupTimer()->isActive(), 3000);
    QCOMPARE(mainWindow().isVisible(), shownAfterTick);
    QVERIFY(!mainWindow().isMinimized());
    QVERIFY(Icon()->isVisible());
  }

  void minimiseHidesIntoTheTray_data() {
    QTest::addColumn<bool>("doubleClicks");
    QTest::newRow("a tray that reports double clicks") << true;
    // A StatusNotifierItem host sends a click ("Activate") and never a double click.
    QTest::newRow("a tray that reports clicks only") << false;
  }

  // Minimising hides the window into the tray; the icon's double click brings it back, or its
  // click where the tray has no double click.
  void minimiseHidesIntoTheTray() {
    if (RunningUnderWine())
      QSKIP(
          "Wine: after showMinimized() the window stays shown and is not minimised, so it never "
          "goes into the tray");
    QFETCH(bool, doubleClicks);
    TrayIcon::overrideAvailability(true);
    TrayIcon::overrideDoubleClickReports(doubleClicks);
    StartShown();
    const QRect before = mainWindow().geometry();

    mainWindow().showMinimized();
    // Hidden only once the minimising is over, and minimised while hidden: leaving that state is
    // what asks the window system to map the window again.
    QVERIFY(mainWindow().isVisible());
    QTRY_VERIFY(!mainWindow().isVisible());
    QVERIFY(mainWindow().windowHandle()->windowStates() & Qt::WindowMinimized);

    emit Icon()->activated(QSystemTrayIcon::MiddleClick);
    if (doubleClicks) emit Icon()->activated(QSystemTrayIcon::Trigger);
    QVERIFY(!mainWindow().isVisible());
    emit Icon()->activated(doubleClicks ? QSystemTrayIcon::DoubleClick : QSystemTrayIcon::Trigger);
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
    TrayIcon::overrideAvailability(true);
    StartShown();
    mainWindow().showMinimized();
    QTRY_VERIFY(!mainWindow().isVisible());
    mainWindow().findChild<QAction*>(QStringLiteral("Show1"))->trigger();
    QVERIFY(mainWindow().isVisible());
    QVERIFY(!mainWindow().isMinimized());
  }

  // Qt gives the menu to the tray: over D-Bus to a StatusNotifierItem host, which draws it, with
  // the modes as radio items; elsewhere it opens it at the pointer itself.
  void theTrayMenuIsTheIconsContextMenu() {
    StartShown();
    auto* menu = mainWindow().findChild<QMenu*>(QStringLiteral("PopupMenu2"));
    QCOMPARE(Icon()->contextMenu(), menu);
    const QActionGroup* modes = menu->findChild<QAction*>(QStringLiteral("Off1"))->actionGroup();
    QVERIFY(modes != nullptr);
    QVERIFY(modes->isExclusive());
    QCOMPARE(modes->actions().size(), 5);
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

  // Dialogs of the main window: above it, and without taskbar entries of their own.
  void secondaryWindowsAreDialogsOfTheMainWindow() {
    StartShown();
    for (QWidget* window : {static_cast<QWidget*>(&windows->optionsWindow()),
                            static_cast<QWidget*>(&windows->aboutWindow()),
                            static_cast<QWidget*>(&windows->donationWindow())}) {
      window->show();
      QCOMPARE(window->windowType(), Qt::Dialog);
      QCOMPARE(window->windowHandle()->transientParent(), mainWindow().windowHandle());
    }
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
