// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace mervale {

// A failure the user is told about: the text is shown as it stands in the program's error box.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The program's error texts; a text from a file is quoted as its excerpt.
std::string CannotOpenFileText(const std::string& path, const std::string& systemText);
std::string CannotCreateFileText(const std::string& path, const std::string& systemText);
inline constexpr const char* kStreamWriteErrorText = "Stream-Schreibfehler";
std::string ListIndexText(int index);
inline constexpr const char* kCannotInsertLineText = "Zeile kann nicht eingefügt werden";
std::string InvalidIntegerText(std::string_view text);
std::string CannotSetDataText(const std::string& valueName);
// An error met at one line of a file, with the file's name and the line's number (from 1) in front.
std::string FileLineText(const std::string& fileName, int lineNumber, const std::string& text);

// The operating system's text for an error code (errno on Linux, GetLastError on Windows).
std::string SystemErrorText(int code);

// Throw Error with the open or create text of `path` and the system's text for `code`.
[[noreturn]] void ThrowCannotOpen(const std::string& path, int code);
[[noreturn]] void ThrowCannotCreate(const std::string& path, int code);

// What the error box shows: the text, with "." appended when its last character sorts after ".".
std::string ErrorBoxText(const std::string& text);

}  // namespace mervale
