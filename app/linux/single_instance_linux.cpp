// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

#include <unistd.h>

namespace mervale {
namespace {

// The request a later start sends, a line: this word, then a blank and the start's activation
// token where it has one. Anything else that connects is ignored.
constexpr char kShowRequest[] = "show";
// How long a later start waits for the first one: it may hold the lock but not listen yet, or be
// busy for a moment before its event loop reads the request.
constexpr int kAnswerMilliseconds = 5000;

}  // namespace

QString InstanceName() {
  // The PID namespace counts too: a program started as root by scripts/run.sh sees and pins only
  // its own namespace, so a second such run is a program of its own and not a second start.
  const QString pidNamespace = QFile::symLinkTarget(QStringLiteral("/proc/self/ns/pid"));
  QString key = QStringLiteral("mervale-%1").arg(getuid());
  if (!pidNamespace.isEmpty()) key += QLatin1Char('-') + QFileInfo(pidNamespace).fileName();
  // "pid:[4026531836]" becomes "pid-4026531836", a plain file name.
  key.replace(QLatin1Char(':'), QLatin1Char('-')).remove(QLatin1Char('[')).remove(QLatin1Char(']'));
  return QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)).filePath(key);
}

QByteArray LaunchActivationToken() {
  QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
  if (token.isEmpty()) token = qgetenv("DESKTOP_STARTUP_ID");
  // One line of the request: a token never holds a line break, but a stray one cuts it off.
  return token.split('\n').constFirst();
}

void SingleInstance::listen() {
  auto* server = new QLocalServer(this);
  server->setSocketOptions(QLocalServer::UserAccessOption);
  // Holding the lock makes a socket left by a crashed instance ours to replace.
  QLocalServer::removeServer(name_);
  if (!server->listen(name_)) {
    std::fprintf(stderr, "Mervale cannot answer a second start: %s\n",
                 qPrintable(server->errorString()));
    return;
  }
  connect(server, &QLocalServer::newConnection, this, [this, server] {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
      connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (!socket->canReadLine()) return;
        const QByteArray line = socket->readLine().chopped(1);
        const QByteArray word = line.split(' ').constFirst();
        // Closing tells the later start that its request was read.
        socket->disconnectFromServer();
        if (word == kShowRequest) emit activationRequested(line.mid(word.size() + 1));
      });
    }
  });
}

bool SingleInstance::askFirstInstance(const QByteArray& activationToken) const {
  const QDeadlineTimer deadline(kAnswerMilliseconds);
  QLocalSocket socket;
  while (true) {
    socket.connectToServer(name_);
    if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) break;
    if (deadline.hasExpired()) return false;
    QThread::msleep(50);
  }
  QByteArray request = kShowRequest;
  if (!activationToken.isEmpty()) request += ' ' + activationToken;
  socket.write(request + '\n');
  if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) return false;
  return socket.state() == QLocalSocket::UnconnectedState ||
         socket.waitForDisconnected(static_cast<int>(deadline.remainingTime()));
}

}  // namespace mervale
