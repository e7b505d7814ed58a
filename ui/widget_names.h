// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace mervale {

// Gives a new widget its layout name, by which captions and tests find it.
template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace mervale
