// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <vector>

namespace mervale {

// Which line each row of the scrolling text panel shows and how one timer tick moves the rows.
// Kept apart from drawing so that a tick can run without one and so that it can be followed
// without a display.
struct TextPanelScroll {
  int topLine = 0;         // row r (from 1) shows item topLine + r, wrapping to the list's start
  int paintedTopLine = 0;  // topLine as the last paint that drew lines found it
  int scrollOffset = 0;    // top edge of row 1, relative to the top of the client area
  int lineHeight = 0;      // row height measured by the latest paint

  // What a paint leaves behind: the row height it measured and, when it had lines to draw, the
  // line that the next row step advances from.
  void notePaint(int measuredHeight, int itemCount);

  // One tick of the scroll timer.
  void tick(int stepSize, int itemCount);
};

// Whole rows that fit into the panel's height; a paint draws one more for the partly shown row.
int WholeRows(int panelHeight, int lineHeight);

// The item of each drawn row, top row first (wholeRows + 1 entries, none for an empty list). A row
// that would run past the end of the list starts it again at item 0, so a short list repeats as
// often as the rows need.
std::vector<int> RowItems(int topLine, int wholeRows, int itemCount);

}  // namespace mervale
