// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/click_label.h"

#include <QMouseEvent>

namespace mervale {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  // Releasing outside the label cancels the click, as with a button.
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
  QLabel::mouseReleaseEvent(event);
}

}  // namespace mervale
