// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

class QPainter;

namespace mervale {

enum class BevelCut { None, Lowered, Raised };
enum class PanelBorder { None, Single };

// Draws a 3-D frame `width` pixels wide inside `rect` as nested one-pixel rectangles, the
// outermost first: left and top edges in `top`, right and bottom edges in `bottom`, which also owns
// the top-right and bottom-left corners. Returns what is left inside the frame.
QRect DrawFrame3D(QPainter& painter, QRect rect, const QColor& top, const QColor& bottom,
                  int width);

// A plain panel: an optional sunken edge around its client area (a single border), then an outer
// bevel one pixel wide, and the rest filled with its colour.
class BevelPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kBevelWidth = 1;

  explicit BevelPanel(QWidget* parent = nullptr);

  void setBevelOuter(BevelCut bevel);
  void setBorderStyle(PanelBorder style);
  QColor color() const { return color_; }
  void setColor(const QColor& color);

  // The area inside the sunken edge of a single border, in widget coordinates.
  QRect clientRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

  // The sunken edge that a single border puts around the client area.
  void drawBorderEdge(QPainter& painter) const;
  // The bevel inside `rect`; returns the area it leaves.
  QRect drawBevel(QPainter& painter, const QRect& rect) const;

 private:
  BevelCut bevelOuter_ = BevelCut::Raised;
  PanelBorder borderStyle_ = PanelBorder::None;
  QColor color_;
};

}  // namespace mervale
