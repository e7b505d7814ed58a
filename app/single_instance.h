#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace mervale {

class InstanceLock;

// One running program per user and PID namespace: the name under which instances find each
// other, "mervale-" + user + namespace, kept in the user's runtime directory.
QString InstanceName();

// The first start of the program holds the instance lock and listens under the instance name; a
// later start finds the lock taken, asks the first one to bring its window forward and ends.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  // `name` is a file path on Linux (the socket; the lock lies beside it) and a pipe name on
  // Windows; the program passes InstanceName().
  explicit SingleInstance(QString name, QObject* parent = nullptr);
  ~SingleInstance() override;

  // True when no other instance runs: this one now answers later starts. False when another one
  // runs; it was asked to come forward (a message on stderr says whether it answered).
  bool claim();

 signals:
  // A later start asked for the window.
  void activationRequested();

 private:
  void listen();
  void answer();
  bool askFirstInstance() const;

  QString name_;
  std::unique_ptr<InstanceLock> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace mervale
