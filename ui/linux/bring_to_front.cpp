// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/bring_to_front.h"

#include <QApplication>
#include <QWidget>

#include "ui/linux/wayland_attention.h"

namespace mervale {
namespace {

constexpr char kTokenVariable[] = "XDG_ACTIVATION_TOKEN";

}  // namespace

void BringToFront(QWidget& window, const QByteArray& activationToken) {
  // A Wayland compositor gives the focus only for a token it issued, and Qt's Wayland platform
  // activates a window with the one in this variable (and drops it). Without a token from the
  // start that asks, a token of our own asks for attention: Qt (6.4) has no other way there while
  // another program has the focus.
  if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
    qputenv(kTokenVariable, activationToken.isEmpty() ? AttentionToken() : activationToken);
  window.raise();
  window.activateWindow();
  // X11: where the window manager keeps the focus elsewhere, the window is marked urgent instead;
  // the mark goes when it becomes active.
  QApplication::alert(&window);
}

}  // namespace mervale
