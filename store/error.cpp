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

std::string ErrorBoxText(const std::string& text) {
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') return text + ".";
  return text;
}

}  // namespace mervale
