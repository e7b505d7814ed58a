// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/tray_host.h"

namespace mervale {

bool TrayHostReportsDoubleClicks() {
  return true;
}

}  // namespace mervale
