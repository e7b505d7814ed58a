// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QWidget;

namespace mervale {

// Raises the shown `window` and makes it the active one, as far as the desktop lets a program.
void BringToFront(QWidget& window);

}  // namespace mervale
