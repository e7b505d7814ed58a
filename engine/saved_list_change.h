// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "store/line_list.h"

namespace mervale {

// Runs a change of a list that ends in saving it, then shows the list. When the change fails, the
// list goes back to what it held before, which is what its file holds (a save replaces the file
// whole or not at all), so the window never shows an entry that is not on disk.
template <typename Change, typename Show>
void ChangeSavedList(LineList& list, const Change& change, const Show& show) {
  LineList before = list;
  try {
    change();
  } catch (...) {
    list = std::move(before);
    show();
    throw;
  }
  show();
}

}  // namespace mervale
