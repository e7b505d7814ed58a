// SPDX-License-Identifier: GPL-3.0-or-later

#include "message_boxes.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace mervale {

MessageBoxes::MessageBoxes(int closeAfterMs) : closeAfterMs_(closeAfterMs) {
  qApp->installEventFilter(this);
}

MessageBoxes::~MessageBoxes() {
  qApp->removeEventFilter(this);
}

bool MessageBoxes::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show) {
    if (auto* box = qobject_cast<QMessageBox*>(watched)) {
      shown_ << box->windowTitle() + QStringLiteral(": ") + box->text();
      qInfo("message box %s", qPrintable(shown_.last()));
      ++open_;
      QPointer<QMessageBox> alive(box);
      QTimer::singleShot(closeAfterMs_, box, [this, alive] {
        if (!alive) return;
        --open_;
        alive->done(QMessageBox::Ok);
      });
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace mervale
