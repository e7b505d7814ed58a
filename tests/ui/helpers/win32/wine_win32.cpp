// SPDX-License-Identifier: GPL-3.0-or-later

// clang-format off
#include <windows.h>
// clang-format on

#include "helpers/wine.h"

namespace mervale {

bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace mervale
