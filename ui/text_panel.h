// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QStringList>

#include <cstdint>

#include "ui/bevel_panel.h"
#include "ui/text_panel_scroll.h"

class QTimer;

namespace mervale {

// Font and colour of the panel's lines.
struct PanelTextFont {
  QFont font;
  QColor color;
};

enum class LineAlignment { Left, Right, Center };

// Reading order of the panel's text: right to left with left and right alignment swapped (the
// panel mirrored), or right to left with the alignment as set.
enum class ReadingOrder { LeftToRight, RightToLeftMirrored, RightToLeftAsAligned };

// A panel that shows a list of lines in rows of equal height and moves them upwards a few pixels at
// every tick of its own timer; after the last line the list starts again with the first.
class TextPanel : public BevelPanel {
  Q_OBJECT

 public:
  // The timer is named after the panel, so a name given here reaches it.
  explicit TextPanel(QWidget* parent = nullptr, const QString& name = QString());

  const QStringList& items() const { return items_; }
  void setItems(const QStringList& items);
  const PanelTextFont& textFont() const { return textFont_; }
  void setTextFont(const PanelTextFont& font);
  void setInterval(std::uint32_t milliseconds);
  void setStepSize(int pixels) {
    settleDueTicks();
    stepSize_ = pixels;
  }
  void setEnableTimer(bool enable);
  void setTextAlignment(LineAlignment alignment) { textAlignment_ = alignment; }
  void setReadingOrder(ReadingOrder order);

  // topLine, paintedTopLine, scrollOffset and lineHeight as they stand, counting the ticks that
  // fell due while the panel was off screen.
  const TextPanelScroll& scroll();
  QTimer* scrollTimer() const { return scrollTimer_; }
  // Whether ticks fall due: the timer is enabled with a period, and the panel itself not hidden.
  bool isTicking() const;

  void scrollTick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int textFlags() const;
  void applyTimerState();
  void advanceOneTick();
  void settleDueTicks();

  QStringList items_;
  PanelTextFont textFont_;
  std::uint32_t interval_ = 30;
  int stepSize_ = 1;
  bool enableTimer_ = true;
  LineAlignment textAlignment_ = LineAlignment::Left;
  ReadingOrder readingOrder_ = ReadingOrder::LeftToRight;
  TextPanelScroll scroll_;
  // Row height of TextFont, kept for ticks that leave the drawing out.
  int fontLineHeight_ = 0;
  QTimer* scrollTimer_;
  // While nothing is on screen the ticks are counted from the clock instead of being woken for:
  // the About window stays hidden all day, and 25 wake-ups a second would be most of what the
  // program costs. Valid while ticks fall due off screen; leftover is the part of a period that
  // had passed at the last count.
  QElapsedTimer offScreenSince_;
  qint64 offScreenLeftoverMs_ = 0;
};

}  // namespace mervale
