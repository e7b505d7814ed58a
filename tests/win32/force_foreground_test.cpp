// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/win32/force_foreground.h"

#include <gtest/gtest.h>

namespace mervale {
namespace {

HWND ShownWindow(const char* title, int left) {
  return CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, left, 100, 200, 100,
                         nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// The visible 1 x 1 windows this thread owns: helpers left behind.
int HelperWindowCount() {
  int count = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM counter) -> BOOL {
        RECT bounds{};
        GetWindowRect(window, &bounds);
        if (IsWindowVisible(window) && bounds.right - bounds.left == 1 &&
            bounds.bottom - bounds.top == 1) {
          ++*reinterpret_cast<int*>(counter);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST(ForceForegroundTest, BringsTheWindowForwardAndLeavesNoHelperBehind) {
  HWND target = ShownWindow("target", 100);
  HWND other = ShownWindow("other", 400);
  ASSERT_TRUE(target && other);
  SetForegroundWindow(other);
  // The synthesized click lands wherever the pointer is: here, on the window that is active.
  RECT otherBounds{};
  GetWindowRect(other, &otherBounds);
  SetCursorPos((otherBounds.left + otherBounds.right) / 2,
               (otherBounds.top + otherBounds.bottom) / 2);
  PumpMessages();
  ASSERT_EQ(GetForegroundWindow(), other);

  ForceForeground(target);
  PumpMessages();
  EXPECT_EQ(GetForegroundWindow(), target);
  EXPECT_EQ(HelperWindowCount(), 0);
  DestroyWindow(other);
  DestroyWindow(target);
}

}  // namespace
}  // namespace mervale
