// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/backends.h"
#include "engine/platform/win32/win32_platform.h"
#include "store/system/win32/win32_system.h"

namespace mervale {

Backends MakeBackends() {
  return {std::make_unique<Win32ProcessPlatform>(), std::make_unique<Win32SystemServices>(),
          nullptr};
}

}  // namespace mervale
