// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>

class QWidget;

namespace mervale {

// Raises the shown `window` and makes it the active one, as far as the desktop lets a program;
// `activationToken` is the desktop's permission to take the focus, given to a start of the
// program. Where the desktop does not let it, the window asks for the user's attention.
void BringToFront(QWidget& window, const QByteArray& activationToken = {});

}  // namespace mervale
