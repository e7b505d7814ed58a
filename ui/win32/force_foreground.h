// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <windows.h>

namespace mervale {

// Brings `window` to the foreground also when another program's window is active: Windows lets a
// process take the foreground only right after input of its own, so a click is synthesized on a
// tiny topmost window of ours first.
void ForceForeground(HWND window);

}  // namespace mervale
