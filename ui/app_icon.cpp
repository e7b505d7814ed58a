// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace mervale {

void PaintAppIcon(QPainter& painter, const QRectF& area) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(area.topLeft());
  // Designed on a 32-unit grid.
  painter.scale(area.width() / 32.0, area.height() / 32.0);

  // Pins on all four sides.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x9a, 0xa4, 0xb1));
  for (int i = 0; i < 4; ++i) {
    const double along = 7.0 + i * 5.0;
    painter.drawRect(QRectF(along, 1.0, 3.0, 5.0));
    painter.drawRect(QRectF(along, 26.0, 3.0, 5.0));
    painter.drawRect(QRectF(1.0, along, 5.0, 3.0));
    painter.drawRect(QRectF(26.0, along, 5.0, 3.0));
  }

  // The package.
  QLinearGradient body(0, 5, 0, 27);
  body.setColorAt(0, QColor(0x3d, 0x5a, 0x80));
  body.setColorAt(1, QColor(0x22, 0x36, 0x52));
  painter.setBrush(body);
  painter.setPen(QPen(QColor(0x15, 0x22, 0x36), 1.0));
  painter.drawRoundedRect(QRectF(5.5, 5.5, 21.0, 21.0), 3.0, 3.0);

  // Four cores; the first one carries the process.
  const QColor idle(0x8f, 0xa8, 0xc8);
  const QColor lit(0xff, 0xa5, 0x1f);
  painter.setPen(Qt::NoPen);
  for (int core = 0; core < 4; ++core) {
    const double x = core % 2 == 0 ? 9.0 : 17.0;
    const double y = core / 2 == 0 ? 9.0 : 17.0;
    painter.setBrush(core == 0 ? lit : idle);
    painter.drawRoundedRect(QRectF(x, y, 6.0, 6.0), 1.2, 1.2);
  }
  painter.restore();
}

QImage RenderAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  PaintAppIcon(painter, QRectF(0, 0, size, size));
  painter.end();
  return image;
}

QIcon AppIcon() {
  QIcon icon(QStringLiteral(":/mervale.png"));
  for (const int size : {16, 22, 24, 48, 64, 128, 256})
    icon.addPixmap(QPixmap::fromImage(RenderAppIcon(size)));
  return icon;
}

}  // namespace mervale
