// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/excerpt.h"

namespace mervale {

std::string Excerpt(std::string_view text) {
  if (text.size() <= kExcerptBytes) return std::string(text);
  std::size_t cut = kExcerptBytes;
  // A UTF-8 character is never split: its continuation bytes (10xxxxxx) stay with its first byte.
  for (int step = 0; step < 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80; ++step) {
    --cut;
  }
  return std::string(text.substr(0, cut)) + "…";
}

}  // namespace mervale
