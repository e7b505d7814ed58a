// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdlib>

namespace mervale::testing {

// A number the environment gives: scripts/guest-test.sh says what machine it shaped
// (MERVALE_EXPECT_CPUS, MERVALE_EXPECT_THREADS_PER_CORE), so a guest that came up smaller fails the
// tests that need its CPUs instead of skipping them. 0 when unset.
inline unsigned ShapedMachineValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : 0;
}

}  // namespace mervale::testing
