#pragma once

#include <QString>

#include <string>

namespace mervale {

// The program keeps its texts as bytes of the system's 8-bit encoding (file lines, process names,
// captions); the windows show them as Qt strings and hand typed text back the same way.
inline QString ProgramText(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ProgramText(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

}  // namespace mervale
