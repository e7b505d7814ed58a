// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>

#include <chrono>

class QSocketNotifier;

namespace mervale {

// SIGTERM and SIGINT as a request to leave, delivered through the event loop: the handler only
// writes the signal's number into a pipe, and the program leaves from its own loop as "Exit" does.
// As the first process of a PID namespace (scripts/run.sh as root) the program is also the parent
// of every orphan in it, so it reaps its children whenever SIGCHLD arrives. One object at a time;
// the signals' former handlers come back when it goes. Windows has no such signals: there the
// object never asks.
class ExitSignals : public QObject {
  Q_OBJECT

 public:
  explicit ExitSignals(QObject* parent = nullptr);
  ~ExitSignals() override;

 signals:
  void exitRequested();

 private:
  void readPipe();

  QSocketNotifier* notifier_ = nullptr;
};

// Whether this process is the first one of its PID namespace: its end ends every other process in
// the namespace. Never on Windows.
bool IsNamespaceInit();

// For the first process of a PID namespace before it ends: asks every other process in the
// namespace to end (SIGTERM), reaps them, and waits for them up to `grace`; the kernel kills what
// is left when this process ends.
void EndNamespaceProcesses(std::chrono::milliseconds grace);

}  // namespace mervale
