// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QStringList>

namespace mervale {

// Watches every message box the program opens while it lives: records its title and text and
// closes it with OK after `closeAfterMs`, so that tests are never stuck in a box's own loop.
class MessageBoxes : public QObject {
 public:
  explicit MessageBoxes(int closeAfterMs = 0);
  ~MessageBoxes() override;

  // "title: text" of every box shown, in order.
  const QStringList& Shown() const { return shown_; }
  int OpenCount() const { return open_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int closeAfterMs_;
  QStringList shown_;
  int open_ = 0;
};

}  // namespace mervale
