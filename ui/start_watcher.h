// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

#include "engine/platform/process_start_source.h"
#include "engine/program.h"

class QSocketNotifier;
class QWidget;

namespace mervale {

// Hands the system's reports of starting programs to the program, so that a new process gets its
// mode as it starts rather than at the next refresh tick. A start is handed over at once; those
// that arrive within a few milliseconds after it go together; reports that cannot name our
// processes only bring the next pass forward, to at most one pass per kPassSoonDelay; a report of
// lost starts runs a full pass at once. The rows of started programs go to the table at most once
// per kRowsShownEveryMs, so a shown table does not hold up the next starts. Without reports the
// refresh timer does all the work, and nothing is said about it.
class StartWatcher : public QObject {
  Q_OBJECT

 public:
  static constexpr int kBatchWindowMs = 3;
  static constexpr int kPassSoonDelayMs = 20;
  static constexpr int kRowsShownEveryMs = 100;
  // Looking whether known processes run other programs asks the kernel about some: only where
  // starts come unnamed, as an ordinary user's do, and then at most twice a second, so that a look
  // can go with each refresh of a second (whose timer runs a little early or late), and with many
  // processes not more than about one part in kChangesLookSpacing of the time, since every start
  // anywhere on the machine brings a look.
  static constexpr int kChangesLookEveryMs = 500;
  static constexpr int kChangesLookSpacing = 100;
  // A source that keeps reports of starts elsewhere waiting is drained whenever the program is
  // awake anyway, at most once per kCatchUpMs.
  static constexpr int kCatchUpMs = 250;
  // So many starts waiting for their batch are handed over at once, so the waiting stays bounded.
  static constexpr std::size_t kMaxWaitingStarts = 4 * ProcessStartSource::kMaxStartsPerDrain;

  // Errors of the program's handling go to the error box over `window`, which also owns this.
  StartWatcher(ProcessStartSource& source, Program& program, QWidget* window);

  bool IsWatching() const { return notifier_ != nullptr; }

 private:
  void onReadable();
  void catchUp();
  void onBatchDue();
  void handWaitingStarts();
  void lookForChangesSoon();
  void lookForChanges();
  void runPass();

  ProcessStartSource& source_;
  Program& program_;
  QWidget* window_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer batchTimer_;
  QTimer rowsTimer_;
  QTimer changesTimer_;
  QElapsedTimer sinceChangesLook_;
  QElapsedTimer sinceDrain_;
  qint64 changesLookMs_ = 0;  // what the latest look took
  std::vector<Pid> waiting_;
  bool passDue_ = false;  // a hint came since the latest pass
};

}  // namespace mervale
