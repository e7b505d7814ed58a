// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/win32/win32_system.h"

// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <algorithm>

#include "store/error.h"

namespace mervale {

namespace {

// The user's Run key, opened with full access and created when missing; nullptr when that fails.
HKEY OpenRunKey() {
  HKEY key = nullptr;
  LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                KEY_ALL_ACCESS, nullptr, &key, nullptr);
  return result == ERROR_SUCCESS ? key : nullptr;
}

// The longest path Windows hands out, in characters, with its terminating zero.
constexpr std::size_t kLongestPath = 32768;

}  // namespace

std::optional<std::string> Win32SystemServices::DataDir() {
  IMalloc* shellAllocator = nullptr;
  if (FAILED(SHGetMalloc(&shellAllocator))) return std::nullopt;

  LPITEMIDLIST location = nullptr;
  char path[MAX_PATH + 1] = {};
  bool found = SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &location)) &&
               SHGetPathFromIDListA(location, path);
  if (location != nullptr) shellAllocator->Free(location);
  shellAllocator->Release();

  // Without the folder every file name would fall back to the current directory.
  if (!found || path[0] == '\0') return std::nullopt;
  return std::string(path) + "\\Mervale\\";
}

std::string ModuleFileName(std::size_t initialLength) {
  // A path that fills the buffer comes back cut, and Wine then leaves it without its zero, so
  // only a result shorter than the buffer is known to be whole.
  std::string path(std::max<std::size_t>(initialLength, 1), '\0');
  while (true) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= kLongestPath) return {};
    path.resize(std::min<std::size_t>(path.size() * 2, kLongestPath));
  }
}

std::string Win32SystemServices::ExecutablePath() {
  return ModuleFileName(MAX_PATH);
}

std::string Win32SystemServices::ExecutableDir() {
  std::string path = ExecutablePath();
  std::size_t separator = path.find_last_of("\\/");
  return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

void Win32SystemServices::WriteAutostart(const std::string& executablePath) {
  HKEY key = OpenRunKey();
  if (key == nullptr) throw Error(CannotSetDataText(kAutostartValueName));
  // The value is a command line: unquoted, a path with a space would first be tried cut at the
  // space ("C:\Program.exe"), which anyone who may write there could put in its way.
  const std::string commandLine = '"' + executablePath + '"';
  // REG_SZ data is stored with its terminating zero.
  LONG result = RegSetValueExA(key, kAutostartValueName, 0, REG_SZ,
                               reinterpret_cast<const BYTE*>(commandLine.c_str()),
                               static_cast<DWORD>(commandLine.size() + 1));
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) throw Error(CannotSetDataText(kAutostartValueName));
}

void Win32SystemServices::DeleteAutostart() {
  HKEY key = OpenRunKey();
  if (key == nullptr) return;
  // A value that is not there is what the caller wants; the result tells nothing more.
  RegDeleteValueA(key, kAutostartValueName);
  RegCloseKey(key);
}

std::string Win32SystemServices::SystemLocaleName() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (LCIDToLocaleName(GetSystemDefaultLCID(), name, LOCALE_NAME_MAX_LENGTH, 0) == 0) return {};
  std::string ascii;
  // Locale names are plain ASCII ("ar-SA").
  for (const wchar_t* character = name; *character != L'\0'; ++character) {
    ascii += static_cast<char>(*character);
  }
  return ascii;
}

void Win32SystemServices::CreateDirectories(const std::string& path) {
  // Creates every missing parent too; an existing directory or a failure is left to the file
  // operations that follow to report.
  SHCreateDirectoryExA(nullptr, path.c_str(), nullptr);
}

std::unique_ptr<SystemServices> MakeSystemServices() {
  return std::make_unique<Win32SystemServices>();
}

}  // namespace mervale
