// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace mervale {

class InstanceLock;

// One running program per user (on Linux per PID namespace too): the name under which instances
// find each other, "mervale-" + user (+ namespace, kept in the user's runtime directory).
QString InstanceName();

// The desktop's permission for this start to take the focus, given by the launcher that started
// it (a Wayland activation token or an X11 startup id), or empty. Read before the application
// object: Qt's X11 platform takes the startup id out of the environment.
QByteArray LaunchActivationToken();

// The first start of the program holds the instance lock and listens under the instance name; a
// later start finds the lock taken, asks the first one to bring its window forward and ends. On
// Linux the first one listens on a local socket, on Windows it keeps a hidden window of its own.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `name` is a file path on Linux (the socket; the lock lies beside it) and the hidden window's
  // title on Windows; the program passes InstanceName().
  explicit SingleInstance(QString name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when no other instance runs: this one now answers later starts. False when another one
  // runs; it was asked to come forward with `activationToken` (a message on stderr says whether
  // it answered).
  bool claim(const QByteArray& activationToken = {});

 signals:
  // A later start asked for the window, with its activation token where it has one.
  void activationRequested(const QByteArray& activationToken);
  // Asked to end as "Exit" ends the program: on Windows a close message to the hidden window, as
  // the installer and taskkill send it.
  void exitRequested();

 private:
  // What answers later starts (a local server, a hidden window) is a child of this object and goes
  // with it.
  void listen();
  bool askFirstInstance(const QByteArray& activationToken) const;

  QString name_;
  std::unique_ptr<InstanceLock> lock_;
};

}  // namespace mervale
