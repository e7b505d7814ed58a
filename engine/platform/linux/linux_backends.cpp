// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/backends.h"
#include "engine/platform/linux/linux_platform.h"
#include "engine/platform/linux/linux_process_start_source.h"

namespace mervale {

// Where the kernel neither reports nor hints at starts the source says so, and the timer does the
// work.
Backends MakeBackends() {
  return {std::make_unique<LinuxProcessPlatform>(), MakeSystemServices(), OpenProcessStartSource()};
}

}  // namespace mervale
