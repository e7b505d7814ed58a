#include "ui/bring_to_front.h"

#include <QWidget>

namespace mervale {

void BringToFront(QWidget& window) {
  window.raise();
  window.activateWindow();
}

}  // namespace mervale
