// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/bring_to_front.h"

#include <QApplication>
#include <QWidget>

namespace mervale {
namespace {

constexpr char kTokenVariable[] = "XDG_ACTIVATION_TOKEN";

}  // namespace

void BringToFront(QWidget& window, const QByteArray& activationToken) {
  // A Wayland compositor gives the focus only for a token it issued. Qt's Wayland platform takes
  // the one in this variable when it activates a window, and drops it; without one it asks the
  // compositor for a token of its own. X11 window managers look at the time of the request.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    if (activationToken.isEmpty()) {
      qunsetenv(kTokenVariable);
    } else {
      qputenv(kTokenVariable, activationToken);
    }
  }
  window.raise();
  window.activateWindow();
  // Where the desktop keeps the focus elsewhere, the window is marked urgent instead; the mark
  // goes when it becomes active.
  QApplication::alert(&window);
}

}  // namespace mervale
