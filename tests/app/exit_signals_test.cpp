// SPDX-License-Identifier: GPL-3.0-or-later

#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include "app/exit_signals.h"

using namespace mervale;

namespace {

volatile std::sig_atomic_t formerHandlerRan = 0;
void FormerHandler(int) {
  formerHandlerRan = 1;
}

void ExitSignalRows() {
  QTest::addColumn<int>("signal");
  QTest::newRow("SIGTERM") << SIGTERM;
  QTest::newRow("SIGINT") << SIGINT;
}

}  // namespace

class ExitSignalsTest : public QObject {
  Q_OBJECT

 private slots:
  void aSignalAsksToLeaveThroughTheEventLoop_data() { ExitSignalRows(); }
  void aSignalAsksToLeaveThroughTheEventLoop() {
    QFETCH(int, signal);
    ExitSignals exitSignals;
    QSignalSpy asked(&exitSignals, &ExitSignals::exitRequested);

    // Without the catch the default action would end this test program here.
    std::raise(signal);
    QCOMPARE(asked.count(), 0);  // the handler only wakes the loop
    QTRY_COMPARE(asked.count(), 1);

    // Signals that come before the loop looks make one request together.
    std::raise(signal);
    std::raise(signal);
    QTRY_COMPARE(asked.count(), 2);
    QTest::qWait(50);
    QCOMPARE(asked.count(), 2);
  }

  void theFormerHandlersComeBack_data() { ExitSignalRows(); }
  void theFormerHandlersComeBack() {
    QFETCH(int, signal);
    formerHandlerRan = 0;
    const auto former = std::signal(signal, FormerHandler);
    { ExitSignals exitSignals; }
    std::raise(signal);
    QCOMPARE(formerHandlerRan, 1);
    std::signal(signal, former);
  }
};

QTEST_GUILESS_MAIN(ExitSignalsTest)
#include "exit_signals_test.moc"
