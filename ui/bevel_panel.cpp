// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/bevel_panel.h"

#include <QPainter>
#include <QPalette>

#include <utility>

namespace mervale {

namespace {

constexpr int kBorderEdgeWidth = 2;

}  // namespace

QRect DrawFrame3D(QPainter& painter, QRect rect, const QColor& top, const QColor& bottom,
                  int width) {
  for (int ring = 0; ring < width && rect.width() > 0 && rect.height() > 0; ++ring) {
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), top);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), top);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottom);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottom);
    rect.adjust(1, 1, -1, -1);
  }
  return rect;
}

BevelPanel::BevelPanel(QWidget* parent)
    : QWidget(parent), color_(palette().color(QPalette::Button)) {
  resize(185, 41);
}

void BevelPanel::setBevelOuter(BevelCut bevel) {
  bevelOuter_ = bevel;
  update();
}

void BevelPanel::setBorderStyle(PanelBorder style) {
  borderStyle_ = style;
  update();
}

void BevelPanel::setColor(const QColor& color) {
  color_ = color;
  update();
}

QRect BevelPanel::clientRect() const {
  const int edge = borderStyle_ == PanelBorder::Single ? kBorderEdgeWidth : 0;
  return rect().adjusted(edge, edge, -edge, -edge);
}

void BevelPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawBorderEdge(painter);
  painter.fillRect(drawBevel(painter, clientRect()), color_);
}

void BevelPanel::drawBorderEdge(QPainter& painter) const {
  if (borderStyle_ != PanelBorder::Single) return;
  const QPalette& colors = palette();
  const QRect inner =
      DrawFrame3D(painter, rect(), colors.color(QPalette::Dark), colors.color(QPalette::Light), 1);
  DrawFrame3D(painter, inner, colors.color(QPalette::Shadow), colors.color(QPalette::Midlight), 1);
}

QRect BevelPanel::drawBevel(QPainter& painter, const QRect& rect) const {
  if (bevelOuter_ == BevelCut::None) return rect;
  QColor top = palette().color(QPalette::Light);
  QColor bottom = palette().color(QPalette::Dark);
  if (bevelOuter_ == BevelCut::Lowered) std::swap(top, bottom);
  return DrawFrame3D(painter, rect, top, bottom, kBevelWidth);
}

}  // namespace mervale
