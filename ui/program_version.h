// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

namespace mervale {

// The version the build was made as, shown by About and by --version.
QString ProgramVersion();

}  // namespace mervale
