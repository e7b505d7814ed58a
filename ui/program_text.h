// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <string>

namespace mervale {

// The program keeps its texts as UTF-8 bytes (file lines, process names, captions): the language
// files are UTF-8 on every system, and on Windows the manifest makes UTF-8 the code page of the
// ANSI calls that name processes. The windows show them as Qt strings and hand typed text back
// the same way. The local 8-bit encoding is not used: on Windows it is the ANSI code page, which
// is UTF-8 only where the manifest is honoured.
inline QString ProgramText(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ProgramText(const QString& text) {
  return text.toUtf8().toStdString();
}

}  // namespace mervale
