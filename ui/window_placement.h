#pragma once

#include <QRect>
#include <QWidget>

namespace mervale {

// Moves a top-level window so that its frame is centred on `area`.
inline void MoveCentredOn(QWidget* window, const QRect& area) {
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

}  // namespace mervale
