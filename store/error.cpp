#include "store/error.h"

#include <cstring>

#include "store/excerpt.h"

#ifdef _WIN32
#include <windows.h>
#endif

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

std::string SystemErrorText(int code) {
#ifdef _WIN32
  char buffer[512] = {};
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
#else
  return std::strerror(code);
#endif
}

std::string ErrorBoxText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

}  // namespace mervale
