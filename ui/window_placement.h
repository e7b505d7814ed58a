// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

class QWidget;

namespace mervale {

// The first time `window` is shown it is centred over `owner`, or on its screen when there is no
// owner (any more); later it opens wherever it was left.
void CentreOnFirstShow(QWidget* window, QWidget* owner = nullptr);

// Escape closes (hides) the window, as its close box does.
void CloseOnEscape(QWidget* window);

}  // namespace mervale
