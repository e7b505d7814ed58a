// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

namespace mervale {

// Whether this process holds the capability (CAP_SYS_NICE, ...) in its effective set.
bool HasCapability(int capability);

}  // namespace mervale
