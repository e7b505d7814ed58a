// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#ifdef _WIN32
// clang-format off
#include <windows.h>
// clang-format on
#endif

namespace mervale {

// Whether the test runs under Wine, whose window manager differs from Windows' in a few places
// that tests must skip there, each with its reason.
inline bool RunningUnderWine() {
#ifdef _WIN32
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
  return false;
#endif
}

}  // namespace mervale
