// SPDX-License-Identifier: GPL-3.0-or-later

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include "app/exit_signals.h"

using namespace mervale;

namespace {

// Processes of this namespace that have ended and wait for their parent to reap them.
int ZombieCount() {
  int zombies = 0;
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    if (entry.toInt() <= 0) continue;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
    if (!stat.open(QIODevice::ReadOnly)) continue;
    const QByteArray text = stat.readAll();
    // The state follows the name, which ends at the last ')'.
    const auto state = text.indexOf(") ", text.lastIndexOf(')'));
    if (state >= 0 && text.at(state + 2) == 'Z') ++zombies;
  }
  return zombies;
}

bool HasChildren() {
  siginfo_t info{};
  return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

// Starts a process that starts `orphans` grandchildren living `seconds` and ends at once, so
// that they are handed to the first process of the namespace, this one. Returns when all of them
// run with the default handling of SIGTERM and their starter is gone.
void LeaveOrphans(int orphans, double seconds) {
  int ready[2];
  if (pipe(ready) != 0) qFatal("no pipe");
  const pid_t starter = fork();
  if (starter == 0) {
    for (int i = 0; i < orphans; ++i) {
      if (fork() == 0) {
        // The test framework's handlers, inherited, would report a crash instead of ending.
        std::signal(SIGTERM, SIG_DFL);
        [[maybe_unused]] const auto written = write(ready[1], "r", 1);
        usleep(static_cast<useconds_t>(seconds * 1e6));
        _exit(0);
      }
    }
    _exit(0);
  }
  close(ready[1]);
  char byte = 0;
  for (int i = 0; i < orphans; ++i) {
    if (read(ready[0], &byte, 1) != 1) qFatal("an orphan did not start");
  }
  close(ready[0]);
  // Only once their starter has ended are they orphans; until then it holds this test's signal
  // handlers, and the end's SIGTERM would find it running them.
  if (waitpid(starter, nullptr, 0) != starter && errno != ECHILD) qFatal("no starter to wait for");
}

}  // namespace

// Runs as the first process of a PID namespace of its own (unshare --pid --fork --mount-proc).
class NamespaceInitTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY2(IsNamespaceInit(), "run me as PID 1 of a PID namespace"); }

  void orphansAreReapedAndDoNotEndTheProgram() {
    ExitSignals exitSignals;
    QSignalSpy asked(&exitSignals, &ExitSignals::exitRequested);
    LeaveOrphans(5, 0.2);

    QTRY_VERIFY_WITH_TIMEOUT(!HasChildren(), 60000);
    QCOMPARE(ZombieCount(), 0);
    QCOMPARE(asked.count(), 0);
  }

  void theEndAsksTheOthersToEndAndReapsThem() {
    LeaveOrphans(3, 600);
    // Returns once they are reaped; the grace is only what a loaded machine may need.
    EndNamespaceProcesses(std::chrono::minutes(1));
    QVERIFY(!HasChildren());
    QCOMPARE(ZombieCount(), 0);
  }

  void theWaitForOneThatRefusesToEndIsBounded() {
    // The kernel ends it with the namespace.
    int ready[2];
    QCOMPARE(pipe(ready), 0);
    const pid_t stubborn = fork();
    if (stubborn == 0) {
      std::signal(SIGTERM, SIG_IGN);
      [[maybe_unused]] const auto written = write(ready[1], "r", 1);
      pause();
      _exit(0);
    }
    char byte = 0;
    QCOMPARE(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    close(ready[1]);

    EndNamespaceProcesses(std::chrono::milliseconds(500));

    QCOMPARE(kill(stubborn, 0), 0);
    kill(stubborn, SIGKILL);
    QCOMPARE(waitpid(stubborn, nullptr, 0), stubborn);
    QVERIFY(!HasChildren());
  }
};

QTEST_GUILESS_MAIN(NamespaceInitTest)
#include "namespace_init_test.moc"
