#include "helpers/wine.h"

namespace mervale {

bool RunningUnderWine() {
  return false;
}

}  // namespace mervale
