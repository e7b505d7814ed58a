// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>

#include "engine/platform/process_platform.h"
#include "engine/platform/process_start_source.h"
#include "store/system/system_services.h"

namespace mervale {

// The running system's backends. The build compiles one platform room, and with it the one
// definition of MakeBackends.
struct Backends {
  std::unique_ptr<ProcessPlatform> platform;
  std::unique_ptr<SystemServices> system;
  // Null where the system does not report starts: the refresh timer alone finds new processes.
  std::unique_ptr<ProcessStartSource> starts;
};

Backends MakeBackends();

}  // namespace mervale
