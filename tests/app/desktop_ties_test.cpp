// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <memory>

#include "app/desktop_ties.h"
#include "app/exit_signals.h"
#include "app/single_instance.h"
#include "helpers/message_boxes.h"
#include "helpers/test_machine.h"
#include "helpers/window_fixture.h"
#include "ui/main_window.h"
#include "ui/window_set.h"

using namespace mervale;

// The program's ties to the desktop on the real windows over the fake machine.
class DesktopTiesTest : public QObject, protected WindowFixture {
  Q_OBJECT

 private:
  QSystemTrayIcon* Icon() { return mainWindow().findChild<QSystemTrayIcon*>(); }

 private slots:
  void init() {
    SetUpMachine();
    Start();
  }

  void cleanup() { TearDownMachine(); }

  void aSecondStartShowsTheHiddenWindow() {
    SingleInstance instance(QStringLiteral("unused"));
    BringForwardOnSecondStart(instance, mainWindow());
    mainWindow().showMinimized();
    mainWindow().hide();

    emit instance.activationRequested({});

    QVERIFY(mainWindow().isVisible());
    QVERIFY(!mainWindow().isMinimized());
  }

  // Last: it runs and ends the application's own loop.
  void sigtermEndsTheProgramAsExitDoes() {
    ExitSignals exitSignals;
    ExitOnSignals exitOnSignals(exitSignals);
    exitOnSignals.windowsBuilt(mainWindow());
    mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow()));
    QVERIFY(Icon()->isVisible());
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });

    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!mainWindow().isVisible());
    QVERIFY(!Icon()->isVisible());
  }
};

QTEST_MAIN(DesktopTiesTest)
#include "desktop_ties_test.moc"
