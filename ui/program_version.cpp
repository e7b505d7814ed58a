#include "ui/program_version.h"

namespace mervale {

QString ProgramVersion() {
  return QStringLiteral(MERVALE_VERSION);
}

}  // namespace mervale
