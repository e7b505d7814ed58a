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

enum class LineAlignment { LeftJustify, RightJustify, Center };

// Reading order of the panel's text. Right-to-left also swaps left and right alignment; the other
// two right-to-left modes keep the alignment as set.
enum class PanelBiDi { LeftToRight, RightToLeft, RightToLeftNoAlign, RightToLeftReadingOnly };

// A panel that shows a list of lines in rows of equal height and moves them upwards a few pixels at
// every tick of its own timer; after the last line the list starts again with the first.
class TTextPanel : public TBevelPanel {
  Q_OBJECT

 public:
  // The timer is named after the panel, so a name given here reaches it.
  explicit TTextPanel(QWidget* parent = nullptr, const QString& name = QString());

  const QStringList& Items() const { return items_; }
  void SetItems(const QStringList& items);
  const PanelTextFont& TextFont() const { return textFont_; }
  void SetTextFont(const PanelTextFont& font);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t milliseconds);
  int StepSize() const { return stepSize_; }
  void SetStepSize(int pixels) {
    SettleDueTicks();
    stepSize_ = pixels;
  }
  bool EnableTimer() const { return enableTimer_; }
  void SetEnableTimer(bool enable);
  LineAlignment TextAlignment() const { return textAlignment_; }
  void SetTextAlignment(LineAlignment alignment) { textAlignment_ = alignment; }
  PanelBiDi BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(PanelBiDi mode);

  // TopLine, PaintedTopLine, ScrollOffset and LineHeight as they stand, counting the ticks that
  // fell due while the panel was off screen.
  const TextPanelScroll& Scroll();
  QTimer* ScrollTimer() const { return scrollTimer_; }
  // Whether ticks fall due: the timer is enabled with a period, and the panel itself not hidden.
  bool IsTicking() const;

  void ScrollTick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  int TextFlags() const;
  void ApplyTimerState();
  void AdvanceOneTick();
  void SettleDueTicks();

  QStringList items_;
  PanelTextFont textFont_;
  std::uint32_t interval_ = 30;
  int stepSize_ = 1;
  bool enableTimer_ = true;
  LineAlignment textAlignment_ = LineAlignment::LeftJustify;
  PanelBiDi biDiMode_ = PanelBiDi::LeftToRight;
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
