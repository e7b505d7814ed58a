// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/error.h"

#include "store/excerpt.h"

namespace mervale {

std::string CannotOpenFileText(const std::string& path, const std::string& systemText) {
  return "Datei " + path + " kann nicht geöffnet werden. " + systemText;
}

std::string CannotCreateFileText(const std::string& path, const std::string& systemText) {
  return "Datei \"" + path + "\" kann nicht erstellt werden. " + systemText;
}

std::string ListIndexText(int index) {
  return "Listenindex überschreitet das Maximum (" + std::to_string(index) + ")";
}

std::string InvalidIntegerText(std::string_view text) {
  return "'" + Excerpt(text) + "' ist kein gültiger Integerwert";
}

std::string CannotSetDataText(const std::string& valueName) {
  return "Fehler beim Setzen der Daten für '" + valueName + "'";
}

std::string FileLineText(const std::string& fileName, int lineNumber, const std::string& text) {
  return fileName + ", line " + std::to_string(lineNumber) + ": " + text;
}

[[noreturn]] void ThrowCannotOpen(const std::string& path, int code) {
  throw Error(CannotOpenFileText(path, SystemErrorText(code)));
}

[[noreturn]] void ThrowCannotCreate(const std::string& path, int code) {
  throw Error(CannotCreateFileText(path, SystemErrorText(code)));
}

std::string ErrorBoxText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

}  // namespace mervale
