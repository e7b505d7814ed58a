// SPDX-License-Identifier: GPL-3.0-or-later

#include "helpers/wine.h"

namespace mervale {

bool RunningUnderWine() {
  return false;
}

}  // namespace mervale
