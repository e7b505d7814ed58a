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
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/tray_icon.h"
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

  MainWindow& mainWindow() { return windows->mainWindow(); }
  QSystemTrayIcon* Icon() { return mainWindow().findChild<QSystemTrayIcon*>(); }
  QTimer* StartupTimer() { return mainWindow().findChild<QTimer*>(QStringLiteral("Timer2")); }
  void StartShown() {
    windows = std::make_unique<WindowSet>(machine->platform, machine->system);
    mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&mainWindow()));
  }

 private slots:
  void init() {
    machine = std::make_unique<TestMachine>();
    boxes = std::make_unique<MessageBoxes>();
    machine->platform.AddProcess(100, "alpha.exe", 15);
  }

  void cleanup() {
    TrayIcon::overrideAvailability(std::nullopt);
    windows.reset();
    boxes.reset();
    machine.reset();
  }

  void startMinimizedHidesAtTheFirstStartupTick() {
    machine->WriteDataFile(QStringLiteral("Settings.ini"), {"4", "F", "T", "0", "1", "F"});
    StartShown();
    QVERIFY(mainWindow().isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(!mainWindow().isVisible(), 3000);
    QVERIFY(!StartupTimer()->isActive());
    QVERIFY(Icon()->isVisible());
  }

  void withoutStartMinimizedTheWindowStays() {
    StartShown();
    QTRY_VERIFY_WITH_TIMEOUT(!StartupTimer()->isActive(), 3000);
    QVERIFY(mainWindow().isVisible());
  }

  void minimiseHidesIntoTheTray() {
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
