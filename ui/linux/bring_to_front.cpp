// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/bring_to_front.h"

#include <QWidget>

namespace mervale {

void BringToFront(QWidget& window) {
  window.raise();
  window.activateWindow();
}

}  // namespace mervale
