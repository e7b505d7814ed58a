#include "engine/platform/backends.h"
#include "engine/platform/linux/linux_platform.h"
#include "engine/platform/linux/linux_process_start_source.h"
#include "store/system/linux/linux_system.h"

namespace mervale {

// Without the privilege to hear of starts the source says so, and the timer does the work.
Backends MakeBackends() {
  return {std::make_unique<LinuxProcessPlatform>(), std::make_unique<LinuxSystemServices>(),
          std::make_unique<LinuxProcessStartSource>()};
}

}  // namespace mervale
