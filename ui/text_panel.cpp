// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/text_panel.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace mervale {

namespace {

// The height of one row: that of the text "W".
int RowHeight(const QFontMetrics& metrics) {
  return metrics.size(Qt::TextSingleLine, QStringLiteral("W")).height();
}

}  // namespace

TextPanel::TextPanel(QWidget* parent, const QString& name)
    : BevelPanel(parent),
      textFont_{font(), palette().color(QPalette::WindowText)},
      scrollTimer_(new QTimer(this)) {
  setObjectName(name);
  // Every paint covers the whole face, so nothing needs erasing first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  fontLineHeight_ = RowHeight(QFontMetrics(textFont_.font, this));
  scrollTimer_->setObjectName(QStringLiteral("Timer") + name);
  connect(scrollTimer_, &QTimer::timeout, this, &TextPanel::scrollTick);
  applyTimerState();
}

void TextPanel::setItems(const QStringList& items) {
  settleDueTicks();
  items_ = items;
}

void TextPanel::setTextFont(const PanelTextFont& font) {
  settleDueTicks();
  textFont_ = font;
  fontLineHeight_ = RowHeight(QFontMetrics(textFont_.font, this));
}

void TextPanel::setInterval(std::uint32_t milliseconds) {
  if (milliseconds == interval_) return;
  settleDueTicks();
  interval_ = milliseconds;
  applyTimerState();
}

void TextPanel::setEnableTimer(bool enable) {
  if (enable == enableTimer_) return;
  enableTimer_ = enable;
  applyTimerState();
}

void TextPanel::setReadingOrder(ReadingOrder order) {
  readingOrder_ = order;
  update();
}

bool TextPanel::isTicking() const {
  return enableTimer_ && interval_ > 0 && !isHidden();
}

void TextPanel::applyTimerState() {
  settleDueTicks();
  // A period of 0 would fire at every pass of the event loop; it means a stopped timer instead.
  const auto period = std::min<std::uint32_t>(interval_, std::numeric_limits<int>::max());
  if (period > 0) scrollTimer_->setInterval(static_cast<int>(period));
  const bool onScreen = isVisible();
  if (isTicking() && onScreen) {
    scrollTimer_->start();
  } else {
    scrollTimer_->stop();
  }
  if (isTicking() && !onScreen) {
    if (!offScreenSince_.isValid()) offScreenSince_.start();
  } else {
    offScreenSince_.invalidate();
    offScreenLeftoverMs_ = 0;
  }
}

void TextPanel::settleDueTicks() {
  // Settings settle the ticks due under the old period before they change it.
  if (!offScreenSince_.isValid() || interval_ == 0) return;
  const qint64 elapsed = offScreenSince_.restart() + offScreenLeftoverMs_;
  const auto period = static_cast<qint64>(interval_);
  offScreenLeftoverMs_ = elapsed % period;
  for (qint64 due = elapsed / period; due > 0; --due) advanceOneTick();
}

const TextPanelScroll& TextPanel::scroll() {
  settleDueTicks();
  return scroll_;
}

void TextPanel::showEvent(QShowEvent* event) {
  BevelPanel::showEvent(event);
  applyTimerState();
}

void TextPanel::hideEvent(QHideEvent* event) {
  BevelPanel::hideEvent(event);
  applyTimerState();
}

void TextPanel::advanceOneTick() {
  const int itemCount = static_cast<int>(items_.size());
  scroll_.tick(stepSize_, itemCount);
  // The state a paint leaves behind, taken here as well so that it moves on while nothing is on
  // screen to paint (a hidden or minimised window) without the cost of drawing.
  scroll_.notePaint(fontLineHeight_, itemCount);
}

void TextPanel::scrollTick() {
  // Only the panel's own visibility counts: the panel of a hidden window goes on scrolling, so the
  // window opens wherever the lines have got to.
  if (isHidden()) return;
  settleDueTicks();
  advanceOneTick();
  if (isVisible() && !items_.isEmpty()) repaint();
}

int TextPanel::textFlags() const {
  int flags = Qt::AlignTop | Qt::TextExpandTabs | Qt::TextShowMnemonic;
  switch (textAlignment_) {
    case LineAlignment::Left:
      flags |= Qt::AlignLeft;
      break;
    case LineAlignment::Right:
      flags |= Qt::AlignRight;
      break;
    case LineAlignment::Center:
      flags |= Qt::AlignHCenter;
      break;
  }
  // Right-to-left reading swaps left and right by itself; only the mirrored order wants that.
  if (readingOrder_ != ReadingOrder::RightToLeftMirrored) flags |= Qt::AlignAbsolute;
  return flags;
}

void TextPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(textFont_.font);
  fontLineHeight_ = RowHeight(painter.fontMetrics());
  const int itemCount = static_cast<int>(items_.size());
  scroll_.notePaint(fontLineHeight_, itemCount);

  drawBorderEdge(painter);
  const QRect client = clientRect();
  if (itemCount == 0) {
    painter.fillRect(client, color());
    return;
  }
  painter.setClipRect(client);
  painter.translate(client.topLeft());
  painter.fillRect(drawBevel(painter, QRect(QPoint(0, 0), client.size())), color());

  painter.setPen(textFont_.color);
  painter.setLayoutDirection(readingOrder_ == ReadingOrder::LeftToRight ? Qt::LeftToRight
                                                                        : Qt::RightToLeft);
  const int lineHeight = scroll_.lineHeight;
  // Rows span the panel's outer width less three pixels on each side, measured from the client
  // area's origin, and the outer height decides how many there are.
  QRect row(3, scroll_.scrollOffset, width() - 6, lineHeight);
  const int flags = textFlags();
  for (int item : RowItems(scroll_.topLine, WholeRows(height(), lineHeight), itemCount)) {
    painter.drawText(row, flags, items_[item]);
    row.translate(0, lineHeight);
  }
}

}  // namespace mervale
