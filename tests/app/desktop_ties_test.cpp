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
#include "ui/main_window.h"
#include "ui/window_set.h"

using namespace mervale;

// The program's ties to the desktop on the real windows over the fake machine.
class DesktopTiesTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestMachine> machine;
  std::unique_ptr<MessageBoxes> boxes;
  std::unique_ptr<WindowSet> windows;

  MainWindow& Main() { return windows->mainWindow(); }
  QSystemTrayIcon* Icon() { return Main().findChild<QSystemTrayIcon*>(); }

 private slots:
  void init() {
    machine = std::make_unique<TestMachine>();
    boxes = std::make_unique<MessageBoxes>();
    windows = std::make_unique<WindowSet>(machine->platform, machine->system);
  }

  void cleanup() {
    windows.reset();
    boxes.reset();
    machine.reset();
  }

  void aSecondStartShowsTheHiddenWindow() {
    SingleInstance instance(QStringLiteral("unused"));
    BringForwardOnSecondStart(instance, Main());
    Main().showMinimized();
    Main().hide();

    emit instance.activationRequested();

    QVERIFY(Main().isVisible());
    QVERIFY(!Main().isMinimized());
  }

  // Last: it runs and ends the application's own loop.
  void sigtermEndsTheProgramAsExitDoes() {
    ExitSignals exitSignals;
    ExitOnSignals(exitSignals, Main());
    Main().show();
    QVERIFY(QTest::qWaitForWindowExposed(&Main()));
    QVERIFY(Icon()->isVisible());
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });

    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!Main().isVisible());
    QVERIFY(!Icon()->isVisible());
  }
};

QTEST_MAIN(DesktopTiesTest)
#include "desktop_ties_test.moc"
