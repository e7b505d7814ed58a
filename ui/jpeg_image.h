// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QImage>

namespace mervale {

// Decodes a baseline or progressive JPEG with libjpeg into an RGB image. Anything libjpeg cannot
// read cleanly (not a JPEG, truncated, corrupt) gives a null image instead of ending the program.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace mervale
