// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QIcon>
#include <QImage>

class QPainter;
class QRectF;

namespace mervale {

// The program's icon as vector strokes: a processor chip whose first core is lit, the one a
// pinned process runs on. Drawn fresh at every size so it stays sharp wherever it is shown.
void PaintAppIcon(QPainter& painter, const QRectF& area);
QImage RenderAppIcon(int size);

// The icon of the windows and the tray: the 32 by 32 picture from the resources, and the drawn
// version at the other sizes a desktop asks for.
QIcon AppIcon();

}  // namespace mervale
