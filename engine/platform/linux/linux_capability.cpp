// SPDX-License-Identifier: GPL-3.0-or-later

#include "engine/platform/linux/linux_capability.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace mervale {

bool HasCapability(int capability) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  return (data[CAP_TO_INDEX(capability)].effective & CAP_TO_MASK(capability)) != 0;
}

}  // namespace mervale
