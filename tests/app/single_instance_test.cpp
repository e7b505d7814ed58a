// SPDX-License-Identifier: GPL-3.0-or-later

#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <future>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/single_instance.h"

using namespace mervale;

namespace {

// What a crashed instance leaves: a socket file bound and never removed.
bool LeaveSocketBehind(const QString& path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray encoded = QFile::encodeName(path);
  std::copy_n(encoded.constData(),
              std::min<std::size_t>(encoded.size(), sizeof address.sun_path - 1), address.sun_path);
  const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return bound && QFileInfo::exists(path);
}

}  // namespace

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
  static bool ClaimElsewhere(const QString& name, const QByteArray& activationToken = {}) {
    auto later = std::async(std::launch::async, [name, activationToken] {
      return SingleInstance(name).claim(activationToken);
    });
    while (later.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
      QCoreApplication::processEvents();
    }
    return later.get();
  }

 private slots:
  void init() { dir = std::make_unique<QTemporaryDir>(); }

  // What lay at the name before the first start: nothing, an instance that has ended, or the
  // socket a crashed one left behind, which the first start replaces.
  void aLaterStartWakesTheFirstAndEnds_data() {
    QTest::addColumn<QString>("before");
    QTest::newRow("nothing") << QString();
    QTest::newRow("an ended instance") << QStringLiteral("ended");
    QTest::newRow("a left-over socket") << QStringLiteral("left-over");
  }
  void aLaterStartWakesTheFirstAndEnds() {
    QFETCH(QString, before);
    if (before == QStringLiteral("ended")) QVERIFY(SingleInstance(Name()).claim());
    if (before == QStringLiteral("left-over")) QVERIFY(LeaveSocketBehind(Name()));

    SingleInstance first(Name());
    QVERIFY(first.claim());
    QSignalSpy woken(&first, &SingleInstance::activationRequested);
    // The later start's activation token reaches the first, where it has one.
    for (const QByteArray& token : {QByteArray(), QByteArray("launcher-token_7")}) {
      QVERIFY(!ClaimElsewhere(Name(), token));
      QTRY_VERIFY(!woken.isEmpty());
      QCOMPARE(woken.takeFirst().value(0).toByteArray(), token);
    }
  }

  void otherNamesAreOtherPrograms() {
    SingleInstance first(Name(QStringLiteral("user-a")));
    QVERIFY(first.claim());
    SingleInstance other(Name(QStringLiteral("user-b")));
    QVERIFY(other.claim());
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
