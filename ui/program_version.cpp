// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/program_version.h"

namespace mervale {

QString ProgramVersion() {
  return QStringLiteral(MERVALE_VERSION);
}

}  // namespace mervale
