// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QFont>

namespace mervale {

// `font` at a size in pixels, as the windows were laid out; a family that is missing falls back
// to a sans-serif one.
inline QFont PixelFont(QFont font, int pixels, bool bold = false) {
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

}  // namespace mervale
