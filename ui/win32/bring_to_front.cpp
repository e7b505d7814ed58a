// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/bring_to_front.h"

#include <QWidget>

#include "ui/win32/force_foreground.h"

namespace mervale {

// Also when another program's window is active, which Windows otherwise keeps in front; a second
// start gives its right to the foreground to the first one before it asks, so no token is needed.
void BringToFront(QWidget& window, const QByteArray& /*activationToken*/) {
  ForceForeground(reinterpret_cast<HWND>(window.winId()));
}

}  // namespace mervale
