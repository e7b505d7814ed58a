// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/start_watcher.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QWidget>

#include <algorithm>
#include <utility>

#include "ui/error_box.h"

namespace mervale {

StartWatcher::StartWatcher(ProcessStartSource& source, Program& program, QWidget* window)
    : QObject(window), source_(source), program_(program), window_(window) {
  if (source_.Events() == StartEvents::kUnavailable || source_.Descriptor() < 0) return;
  batchTimer_.setSingleShot(true);
  batchTimer_.setInterval(source_.Events() == StartEvents::kOwnPids ? kBatchWindowMs
                                                                    : kPassSoonDelayMs);
  connect(&batchTimer_, &QTimer::timeout, this, &StartWatcher::onBatchDue);
  rowsTimer_.setSingleShot(true);
  rowsTimer_.setInterval(kRowsShownEveryMs);
  connect(&rowsTimer_, &QTimer::timeout, this,
          [this] { RunGuarded(window_, [this] { program_.ShowStartedRows(); }); });
  changesTimer_.setSingleShot(true);
  connect(&changesTimer_, &QTimer::timeout, this, &StartWatcher::lookForChanges);
  notifier_ = new QSocketNotifier(qintptr(source_.Descriptor()), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &StartWatcher::onReadable);
  sinceDrain_.start();
  if (source_.Events() == StartEvents::kOwnPids) {
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &StartWatcher::catchUp);
  }
}

void StartWatcher::catchUp() {
  if (sinceDrain_.hasExpired(kCatchUpMs)) onReadable();
}

void StartWatcher::onReadable() {
  sinceDrain_.start();
  const ProcessStarts batch = source_.Drain();
  if (source_.Events() != StartEvents::kOwnPids) {
    // Hints of the whole machine's starts: reading them again only when a pass may run again keeps
    // a busy machine from waking the program more often than that.
    notifier_->setEnabled(false);
    passDue_ = passDue_ || !batch.starts.empty();
    if (batch.eventsLost) runPass();
    if (!batchTimer_.isActive()) batchTimer_.start();
    return;
  }
  for (const ProcessStart& start : batch.starts) waiting_.push_back(start.pid);
  if (batch.eventsLost) {
    // The starts at hand may be programs run by known processes, which no pass would rename.
    handWaitingStarts();
    runPass();
  } else if (waiting_.size() >= kMaxWaitingStarts) {
    handWaitingStarts();
  } else if (!batch.starts.empty() && !batchTimer_.isActive()) {
    // The first start goes at once; those that come while it is handled, or within the window
    // after, go together when the window ends. A running timer is not restarted: under a steady
    // stream of starts the batches still go.
    handWaitingStarts();
    batchTimer_.start();
  }
  // After the starts at hand, which must not wait for it.
  if (batch.knownMayHaveChanged) lookForChangesSoon();
}

void StartWatcher::onBatchDue() {
  if (source_.Events() == StartEvents::kOwnPids) {
    // A window that gathered starts opens another, so that a stream keeps going in batches.
    if (waiting_.empty()) return;
    handWaitingStarts();
    batchTimer_.start();
    return;
  }
  notifier_->setEnabled(true);
  if (passDue_) runPass();
}

void StartWatcher::lookForChangesSoon() {
  if (changesTimer_.isActive()) return;
  const qint64 spacing =
      std::max<qint64>(kChangesLookEveryMs, kChangesLookSpacing * changesLookMs_);
  const qint64 since = sinceChangesLook_.isValid() ? sinceChangesLook_.elapsed() : spacing;
  if (since >= spacing)
    lookForChanges();
  else
    changesTimer_.start(int(spacing - since));
}

void StartWatcher::lookForChanges() {
  // Started first: a drain below that asks for another look finds this one just begun.
  sinceChangesLook_.start();
  // The reports waiting now are covered by this look and need no other.
  catchUp();
  changesTimer_.stop();
  RunGuarded(window_, [this] { program_.LookForProgramChanges(); });
  changesLookMs_ = sinceChangesLook_.elapsed();
}

void StartWatcher::runPass() {
  passDue_ = false;
  RunGuarded(window_, [this] { program_.RefreshProcesses(); });
}

void StartWatcher::handWaitingStarts() {
  if (waiting_.empty()) return;
  const std::vector<Pid> starts = std::exchange(waiting_, {});
  RunGuarded(window_, [&] { program_.ProgramsStarted(starts); });
  if (!rowsTimer_.isActive()) rowsTimer_.start();
}

}  // namespace mervale
