// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <exception>
#include <string>

class QWidget;

namespace mervale {

// The one place where a failure reaches the user: an error box titled "Mervale".
void ShowErrorBox(QWidget* parent, const std::string& text);

// Runs an event handler to its end or to its first error; an error ends that handler only and is
// shown in the error box, and the program goes on with the next event.
template <typename Handler>
void RunGuarded(QWidget* parent, Handler&& handler) {
  try {
    handler();
  } catch (const std::exception& error) {
    ShowErrorBox(parent, error.what());
  }
}

}  // namespace mervale
