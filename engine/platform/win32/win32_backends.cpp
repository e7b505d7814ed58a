// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/backends.h"
#include "engine/platform/win32/win32_platform.h"

namespace mervale {

Backends MakeBackends() {
  return {std::make_unique<Win32ProcessPlatform>(), MakeSystemServices(), nullptr};
}

}  // namespace mervale
