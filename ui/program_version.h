#pragma once

#include <QString>

namespace mervale {

// The version the build was made as, shown by About and by --version.
QString ProgramVersion();

}  // namespace mervale
