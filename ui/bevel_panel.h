#pragma once

#include <QColor>
#include <QRect>
#include <QWidget>

class QPainter;

namespace mervale {

enum class BevelCut { None, Lowered, Raised, Space };
enum class PanelBorder { None, Single };

// Draws a 3-D frame `width` pixels wide inside `rect` as nested one-pixel rectangles, the
// outermost first: left and top edges in `top`, right and bottom edges in `bottom`, which also owns
// the top-right and bottom-left corners. Returns what is left inside the frame.
QRect DrawFrame3D(QPainter& painter, QRect rect, const QColor& top, const QColor& bottom,
                  int width);

// A plain panel: an optional sunken edge around its client area (a single border), then an outer
// bevel, a border of its own colour and an inner bevel, and the rest filled with its colour.
class TBevelPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TBevelPanel(QWidget* parent = nullptr);

  BevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(BevelCut bevel);
  BevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(BevelCut bevel);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int width);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int width);
  PanelBorder BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(PanelBorder style);
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);

  // The area inside the sunken edge of a single border, in widget coordinates.
  QRect ClientRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

  // The sunken edge that a single border puts around the client area.
  void DrawBorderEdge(QPainter& painter) const;
  // The bevels and the border inside `rect`; returns the area they leave.
  QRect DrawFrames(QPainter& painter, QRect rect) const;

 private:
  QRect DrawBevel(QPainter& painter, const QRect& rect, BevelCut bevel) const;

  BevelCut bevelOuter_ = BevelCut::Raised;
  BevelCut bevelInner_ = BevelCut::None;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  PanelBorder borderStyle_ = PanelBorder::None;
  QColor color_;
};

}  // namespace mervale
