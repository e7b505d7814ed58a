// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/win32/force_foreground.h"

#include <memory>
#include <type_traits>

namespace mervale {

namespace {

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};

}  // namespace

void ForceForeground(HWND window) {
  // A borderless 1 x 1 window at the screen's corner, on top of all others and owned by no one.
  std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer> helper(
      CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                      GetModuleHandleA(nullptr), nullptr));
  if (helper) ShowWindow(helper.get(), SW_SHOW);

  // Press and release without MOUSEEVENTF_MOVE: the pointer stays where it is.
  mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);

  SetForegroundWindow(window);
}

}  // namespace mervale
