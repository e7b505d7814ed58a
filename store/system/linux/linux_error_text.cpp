// SPDX-License-Identifier: GPL-3.0-or-later

#include <cstring>

#include "store/error.h"

namespace mervale {

std::string SystemErrorText(int code) {
  return std::strerror(code);
}

}  // namespace mervale
