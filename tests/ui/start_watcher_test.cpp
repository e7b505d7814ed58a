// SPDX-License-Identifier: GPL-3.0-or-later

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <unistd.h>

#include <utility>

#include "engine/platform/fake/fake_platform.h"
#include "engine/platform/fake/fake_process_start_source.h"
#include "store/system/fake/fake_system.h"
#include "tests/engine/fake_program_view.h"
#include "ui/start_watcher.h"

using namespace mervale;

namespace {

// Scripted starts behind a real descriptor, so the watcher's socket notifier wakes for them.
class PipedStartSource : public ProcessStartSource {
 public:
  explicit PipedStartSource(StartEvents events) : scripted_(events) {
    if (pipe(ends_) != 0) qFatal("no pipe");
  }
  ~PipedStartSource() override {
    close(ends_[0]);
    close(ends_[1]);
  }
  void PostStart(Pid pid, bool wake = true) {
    scripted_.PostStart(pid);
    if (wake) Wake();
  }
  void LoseEvents() {
    scripted_.LoseEvents();
    Wake();
  }
  void PostProgramChange() {
    scripted_.PostProgramChange();
    Wake();
  }

  StartEvents Events() const override { return scripted_.Events(); }
  int Descriptor() const override { return ends_[0]; }
  ProcessStarts Drain() override {
    char bytes[64];
    while (pending_ > 0) pending_ -= int(read(ends_[0], bytes, std::min<int>(pending_, 64)));
    return scripted_.Drain();
  }

 private:
  void Wake() {
    if (write(ends_[1], "x", 1) == 1) ++pending_;
  }
  FakeProcessStartSource scripted_;
  int ends_[2] = {-1, -1};
  int pending_ = 0;
};

// Counts the rows the table shows, as a view sees them come.
class ShownRows : public TableObserver {
 public:
  void RowsAboutToBeInserted(int first, int last) override { count += last - first + 1; }
  void RowsInserted() override {}
  void RowsAboutToBeRemoved(int, int) override {}
  void RowsRemoved() override {}
  void RowChanged(int) override {}
  void LayoutAboutToChange() override {}
  void LayoutChanged() override {}
  void AboutToReset() override {}
  void ResetDone() override {}
  int count = 0;
};

// A program in mode CPU 1 over a scripted machine that knows its processes already.
struct Setting {
  explicit Setting(StartEvents events) : source(events) {
    machine.AddProcess(10, "known", 3);
    system.SetDataDir(dataDir.path().toStdString() + "/");
    program.PrepareData();
    program.SelectMode(Mode::kCpu1);
    program.RefreshProcesses();
    machine.ResetCalls();
  }
  FakeProcessPlatform machine{2};
  FakeSystemServices system;
  QTemporaryDir dataDir;
  FakeProgramView view;
  Program program{machine, system, view};
  PipedStartSource source;
  QWidget window;
  StartWatcher watcher{source, program, &window};
};

}  // namespace

class StartWatcherTest : public QObject {
  Q_OBJECT

 private slots:
  void startsOfOurProcessesAreHandedOverInOneBatch() {
    Setting s(StartEvents::kOwnPids);
    s.machine.AddProcess(20, "new", 3);
    s.machine.AddProcess(21, "new", 3);
    ShownRows shown;
    s.program.Processes().SetObserver(&shown);
    s.source.PostStart(20);
    s.source.PostStart(21);
    QTRY_COMPARE_WITH_TIMEOUT(s.machine.MaskOf(21), AffinityMask{1}, 60000);
    QCOMPARE(s.machine.MaskOf(20), AffinityMask{1});
    // Their rows are shown without a pass.
    QTRY_COMPARE_WITH_TIMEOUT(shown.count, 2, 60000);
    s.program.Processes().SetObserver(nullptr);
    QCOMPARE(s.machine.calls().snapshotsCreated, 0);
  }

  void startsKeptWaitingAreTakenWhenTheProgramWakesAnyway() {
    Setting s(StartEvents::kOwnPids);
    s.machine.AddProcess(20, "new", 3);
    // As reports of a machine busy elsewhere wait, the descriptor does not turn readable.
    s.source.PostStart(20, false);
    // The program's loop blocks between events (QTest's waits do not), woken here by a timer.
    QEventLoop loop;
    QTimer check;
    connect(&check, &QTimer::timeout, &loop, [&] {
      if (s.machine.MaskOf(20) == AffinityMask{1}) loop.quit();
    });
    check.start(50);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QCOMPARE(s.machine.MaskOf(20), AffinityMask{1});
    QCOMPARE(s.machine.calls().snapshotsCreated, 0);
  }

  void aKnownProcessThatRunsAnotherProgramGetsTheModeAgain() {
    Setting s(StartEvents::kOwnPids);
    s.machine.SetMaskFromOutside(10, 3);
    s.machine.RunProgram(10, "other");
    s.source.PostProgramChange();
    QTRY_COMPARE_WITH_TIMEOUT(s.machine.MaskOf(10), AffinityMask{1}, 60000);
    QCOMPARE(s.machine.calls().snapshotsCreated, 0);
  }

  void aSteadyStreamOfStartsIsHandledWhileItGoesOn() {
    Setting s(StartEvents::kOwnPids);
    QElapsedTimer stream;
    stream.start();
    bool pinnedDuringStream = false;
    int rows = s.program.Processes().RowCount();
    qint64 placements = 0;  // times new rows reached the table
    // Starts closer together than the batch window, for several windows and row placements.
    for (Pid pid = 100; stream.elapsed() < 3 * StartWatcher::kRowsShownEveryMs; ++pid) {
      s.machine.AddProcess(pid, "new", 3);
      s.source.PostStart(pid);
      QTest::qWait(1);
      pinnedDuringStream = pinnedDuringStream || s.machine.MaskOf(100) == AffinityMask{1};
      placements += std::exchange(rows, s.program.Processes().RowCount()) != rows;
    }
    QVERIFY(pinnedDuringStream);
    QVERIFY2(placements <= stream.elapsed() / StartWatcher::kRowsShownEveryMs + 1,
             qPrintable(QString::number(placements)));
  }

  void foreignStartsBringPassesForwardAtMostOncePerDelay() {
    Setting s(StartEvents::kForeignPids);
    s.machine.AddProcess(30, "new", 3);
    QElapsedTimer stream;
    stream.start();
    for (Pid foreign = 9000; stream.elapsed() < 10 * StartWatcher::kPassSoonDelayMs; ++foreign) {
      s.source.PostStart(foreign);
      QTest::qWait(1);
    }
    QTRY_COMPARE_WITH_TIMEOUT(s.machine.MaskOf(30), AffinityMask{1}, 60000);
    QTest::qWait(2 * StartWatcher::kPassSoonDelayMs);
    const qint64 allowed = stream.elapsed() / StartWatcher::kPassSoonDelayMs + 1;
    QVERIFY2(s.machine.calls().snapshotsCreated <= allowed,
             qPrintable(QString::number(s.machine.calls().snapshotsCreated)));
  }

  void lostStartsRunAFullPassAtOnce() {
    QFETCH(int, events);
    Setting s{StartEvents(events)};
    s.machine.AddProcess(40, "missed", 3);
    s.source.LoseEvents();
    QTRY_COMPARE_WITH_TIMEOUT(s.machine.calls().snapshotsCreated, 1, 60000);
    QCOMPARE(s.machine.MaskOf(40), AffinityMask{1});
  }
  void lostStartsRunAFullPassAtOnce_data() {
    QTest::addColumn<int>("events");
    QTest::newRow("own PIDs") << int(StartEvents::kOwnPids);
    QTest::newRow("foreign PIDs") << int(StartEvents::kForeignPids);
  }

  void withoutStartsTheTimerDoesTheWork() {
    Setting s(StartEvents::kUnavailable);
    QVERIFY(!s.watcher.IsWatching());
  }
};

QTEST_MAIN(StartWatcherTest)
#include "start_watcher_test.moc"
