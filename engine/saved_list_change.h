// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <string>

#include "store/line_list.h"
#include "store/line_list_file.h"

namespace mervale {

// Changes a list, saves it to `file`, then shows the list. When the change or the save fails, the
// list goes back to what it held before, which is what its file holds (a save replaces the file
// whole or not at all), so the window never shows an entry that is not on disk.
template <typename Change, typename Show>
void ChangeSavedList(LineList& list, const std::string& file, const Change& change,
                     const Show& show) {
  LineList before = list;
  try {
    change(list);
    SaveLineList(list, file);
  } catch (...) {
    list = std::move(before);
    show();
    throw;
  }
  show();
}

}  // namespace mervale
