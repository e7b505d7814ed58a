// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/about_logo.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <array>

namespace mervale {

namespace {

constexpr int kChipSize = 40;
constexpr int kChipGap = 12;
constexpr int kPinLength = 4;

void PaintChip(QPainter& painter, const QPoint& topLeft, const QColor& die, int number) {
  const QRect body(topLeft, QSize(kChipSize, kChipSize));
  painter.setPen(QPen(QColor(0x70, 0x78, 0x80), 2));
  for (int pin = 1; pin <= 4; ++pin) {
    const int along = pin * kChipSize / 5;
    painter.drawLine(body.left() + along, body.top() - kPinLength, body.left() + along, body.top());
    painter.drawLine(body.left() + along, body.bottom(), body.left() + along,
                     body.bottom() + kPinLength);
    painter.drawLine(body.left() - kPinLength, body.top() + along, body.left(), body.top() + along);
    painter.drawLine(body.right(), body.top() + along, body.right() + kPinLength,
                     body.top() + along);
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0x3a, 0x40, 0x48));
  painter.drawRoundedRect(body, 4, 4);
  const QRect core = body.adjusted(8, 8, -8, -8);
  painter.setBrush(die);
  painter.drawRect(core);
  painter.setPen(Qt::white);
  QFont label(QStringLiteral("Arial"));
  label.setPixelSize(14);
  label.setBold(true);
  painter.setFont(label);
  painter.drawText(core, Qt::AlignCenter, QString::number(number));
}

}  // namespace

QPixmap PaintAboutLogo() {
  QImage image(300, 115, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  const std::array<QColor, 4> dies = {QColor(0x2f, 0x6f, 0xc0), QColor(0x3a, 0xa0, 0x5a),
                                      QColor(0xe0, 0x8a, 0x1e), QColor(0xc8, 0x3c, 0x3c)};
  const int gridLeft = 26;
  const int gridTop = (image.height() - 2 * kChipSize - kChipGap) / 2;
  for (int index = 0; index < 4; ++index) {
    const QPoint topLeft(gridLeft + (index % 2) * (kChipSize + kChipGap),
                         gridTop + (index / 2) * (kChipSize + kChipGap));
    PaintChip(painter, topLeft, dies[static_cast<std::size_t>(index)], index + 1);
  }

  // The logo is shown centred in a slightly narrower frame, so nothing of note goes near its sides.
  const int textLeft = gridLeft + 2 * kChipSize + kChipGap + 18;
  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(32);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(QColor(0x1d, 0x3f, 0x72));
  painter.drawText(QRect(textLeft, 0, image.width() - textLeft, 66),
                   Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Mervale"));

  QFont subtitle(QStringLiteral("Arial"));
  subtitle.setPixelSize(12);
  painter.setFont(subtitle);
  painter.setPen(QColor(0x60, 0x68, 0x70));
  painter.drawText(QRect(textLeft + 2, 70, image.width() - textLeft, 20),
                   Qt::AlignLeft | Qt::AlignTop, QStringLiteral("CPU affinity by rule"));
  painter.end();
  return QPixmap::fromImage(image);
}

}  // namespace mervale
