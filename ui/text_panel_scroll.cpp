// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/text_panel_scroll.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace mervale {

void TextPanelScroll::notePaint(int measuredHeight, int itemCount) {
  lineHeight = measuredHeight;
  if (itemCount > 0) paintedTopLine = topLine;
}

void TextPanelScroll::tick(int stepSize, int itemCount) {
  // A tick takes at most one row off the top, so a step longer than a row would let the rows drift
  // out of the panel, and a negative step would push them down without end. The step is therefore
  // held within 0..lineHeight: steps of 1 to lineHeight move exactly as asked, larger ones move one
  // row per tick, and negative ones stand still like 0. Before the first paint has measured a row
  // there is no bound to apply; that first tick counts as a whole row step anyway.
  int step = std::max(stepSize, 0);
  if (lineHeight > 0) step = std::min(step, lineHeight);
  long long offset = static_cast<long long>(scrollOffset) - step;
  if (std::llabs(offset) >= lineHeight) {
    // Within one row below the top this is the same as adding one row height; an offset left
    // further up (an unmeasured first step, or a switch to a smaller font) comes back at once.
    if (lineHeight > 0) offset %= lineHeight;
    topLine = itemCount > 0 ? (paintedTopLine + 1) % itemCount : 0;
  }
  scrollOffset = static_cast<int>(std::max<long long>(offset, std::numeric_limits<int>::min()));
}

int WholeRows(int panelHeight, int lineHeight) {
  return lineHeight > 0 ? panelHeight / lineHeight : 0;
}

std::vector<int> RowItems(int topLine, int wholeRows, int itemCount) {
  std::vector<int> items;
  if (itemCount <= 0) return items;
  items.reserve(static_cast<std::size_t>(std::max(wholeRows, 0)) + 1);
  int top = topLine;
  for (int row = 1; row <= wholeRows + 1; ++row) {
    if (top + row >= itemCount || top + row < 0) top = -row;
    items.push_back(top + row);
  }
  return items;
}

}  // namespace mervale
