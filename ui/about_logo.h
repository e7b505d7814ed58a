// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QPixmap>

namespace mervale {

// The About window's logo, 300 x 115 pixels: four processor chips beside the program's name.
QPixmap PaintAboutLogo();

}  // namespace mervale
