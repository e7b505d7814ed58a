// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QAbstractScrollArea>

namespace mervale {

// A list or table shows no focus of its own while it has no current item, nor does a read-only text
// box, which has no caret: a frame in the highlight colour shows that the keyboard is there.
inline void FrameOnFocus(QAbstractScrollArea* area) {
  area->setStyleSheet(
      QStringLiteral("QAbstractScrollArea:focus { border: 1px solid palette(highlight); }"));
}

}  // namespace mervale
