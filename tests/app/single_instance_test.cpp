#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#include "app/single_instance.h"

using namespace mervale;

// Later starts run on a thread of their own: they wait for the first instance's answer, which the
// first gives from the event loop of the test's main thread.
class SingleInstanceTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir;
  QString Name(const QString& leaf = QStringLiteral("mervale")) const {
    return dir->filePath(leaf);
  }

  // Claims `name` from another thread while this one answers; the claim's result.
  static bool ClaimElsewhere(const QString& name) {
    auto later = std::async(std::launch::async, [name] { return SingleInstance(name).claim(); });
    while (later.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
      QCoreApplication::processEvents();
    }
    return later.get();
  }

 private slots:
  void init() { dir = std::make_unique<QTemporaryDir>(); }

  void aSecondStartWakesTheFirstAndEnds() {
    SingleInstance first(Name());
    QVERIFY(first.claim());
    QSignalSpy woken(&first, &SingleInstance::activationRequested);

    QVERIFY(!ClaimElsewhere(Name()));
    QTRY_COMPARE(woken.count(), 1);

    QVERIFY(!ClaimElsewhere(Name()));
    QTRY_COMPARE(woken.count(), 2);
  }

  void otherNamesAreOtherPrograms() {
    SingleInstance first(Name(QStringLiteral("user-a")));
    QVERIFY(first.claim());
    SingleInstance other(Name(QStringLiteral("user-b")));
    QVERIFY(other.claim());
  }

  void theNameIsFreeAgainWhenTheFirstEnds() {
    {
      SingleInstance first(Name());
      QVERIFY(first.claim());
    }
    SingleInstance next(Name());
    QVERIFY(next.claim());
    QSignalSpy woken(&next, &SingleInstance::activationRequested);
    QVERIFY(!ClaimElsewhere(Name()));
    QTRY_COMPARE(woken.count(), 1);
  }

  // A crash leaves the socket file behind (here: a file in its place); the next first start
  // replaces it and is reachable.
  void aSocketLeftByACrashIsReplaced() {
    QFile leftOver(Name());
    QVERIFY(leftOver.open(QIODevice::WriteOnly));
    leftOver.close();

    SingleInstance first(Name());
    QVERIFY(first.claim());
    QSignalSpy woken(&first, &SingleInstance::activationRequested);
    QVERIFY(!ClaimElsewhere(Name()));
    QTRY_COMPARE(woken.count(), 1);
  }

  void aConnectionWithoutTheRequestWakesNothing() {
    SingleInstance first(Name());
    QVERIFY(first.claim());
    QSignalSpy woken(&first, &SingleInstance::activationRequested);
    QLocalSocket stranger;
    stranger.connectToServer(Name());
    QVERIFY(stranger.waitForConnected(2000));
    stranger.write("hello\n");
    QTRY_COMPARE(stranger.state(), QLocalSocket::UnconnectedState);
    QCOMPARE(woken.count(), 0);
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"
