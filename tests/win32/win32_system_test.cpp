// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/system/win32/win32_system.h"

#include <gtest/gtest.h>

// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <optional>
#include <string>

#include "store/error.h"

namespace mervale {
namespace {

using namespace std::string_literals;

bool IsDirectory(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The autostart value as the registry holds it, or nothing when it is missing.
struct RunValue {
  DWORD type;
  std::string bytes;  // as stored, terminating zero included
};
std::optional<RunValue> ReadRunValue() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RunValue value{};
  DWORD size = 0;
  std::optional<RunValue> result;
  if (RegQueryValueExA(key, kAutostartValueName, nullptr, &value.type, nullptr, &size) ==
      ERROR_SUCCESS) {
    value.bytes.resize(size);
    if (RegQueryValueExA(key, kAutostartValueName, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(value.bytes.data()), &size) == ERROR_SUCCESS) {
      value.bytes.resize(size);
      result = value;
    }
  }
  RegCloseKey(key);
  return result;
}

// Puts back whatever autostart value the user had before the test, so that a run on a real
// Windows machine leaves it untouched.
class RunValueGuard {
 public:
  RunValueGuard() : saved_(ReadRunValue()) {}
  ~RunValueGuard() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    if (saved_) {
      RegSetValueExA(key, kAutostartValueName, 0, saved_->type,
                     reinterpret_cast<const BYTE*>(saved_->bytes.data()),
                     static_cast<DWORD>(saved_->bytes.size()));
    } else {
      RegDeleteValueA(key, kAutostartValueName);
    }
    RegCloseKey(key);
  }
  RunValueGuard(const RunValueGuard&) = delete;
  RunValueGuard& operator=(const RunValueGuard&) = delete;

 private:
  std::optional<RunValue> saved_;
};

class Win32SystemTest : public ::testing::Test {
 protected:
  Win32SystemServices services_;
};

TEST_F(Win32SystemTest, AutostartValueIsWrittenMovedAndDeleted) {
  RunValueGuard guard;
  const std::string first = "C:\\Program Files\\Mervale\\Mervale.exe";
  const std::string moved = "D:\\Tools\\Mervale 2\\Mervale.exe";

  services_.WriteAutostart(first);
  auto value = ReadRunValue();
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->bytes, '"' + first + "\"\0"s);

  services_.WriteAutostart(moved);
  value = ReadRunValue();
  ASSERT_TRUE(value);
  EXPECT_EQ(value->bytes, '"' + moved + "\"\0"s);

  services_.DeleteAutostart();
  EXPECT_FALSE(ReadRunValue());
  // A second delete finds nothing to delete, and that is no error.
  EXPECT_NO_THROW(services_.DeleteAutostart());
  EXPECT_FALSE(ReadRunValue());
}

TEST_F(Win32SystemTest, AutostartThatCannotBeWrittenRaisesTheSetDataError) {
  RunValueGuard guard;
  // Point this process's view of the user's hive at a volatile key: the Run key, which must
  // outlive a restart, cannot be created below it.
  HKEY volatileKey = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\MervaleVolatileTest", 0, nullptr,
                            REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &volatileKey, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, volatileKey), ERROR_SUCCESS);
  std::string message;
  try {
    services_.WriteAutostart("C:\\Mervale.exe");
  } catch (const Error& error) {
    message = error.what();
  }
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegCloseKey(volatileKey);
  RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\MervaleVolatileTest");
  EXPECT_EQ(message, "Fehler beim Setzen der Daten für 'Mervale'");
}

TEST_F(Win32SystemTest, DataDirIsTheRoamingApplicationDataFolderWithMervale) {
  char appData[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, appData)));
  auto dataDir = services_.DataDir();
  ASSERT_TRUE(dataDir);
  EXPECT_EQ(*dataDir, std::string(appData) + "\\Mervale\\");
  EXPECT_TRUE(IsDirectory(appData));
}

TEST_F(Win32SystemTest, CreateDirectoriesMakesMissingParentsAndIgnoresFailures) {
  char temp[MAX_PATH] = {};
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string root =
      std::string(temp) + "mervale-dirs-" + std::to_string(GetCurrentProcessId());
  const std::string nested = root + "\\a\\b\\Mervale\\";

  services_.CreateDirectories(nested);
  EXPECT_TRUE(IsDirectory(nested));
  EXPECT_NO_THROW(services_.CreateDirectories(nested));  // already there
  // A file standing where a directory should be: nothing can be created, nothing is raised.
  const std::string file = root + "\\file";
  HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  CloseHandle(handle);
  EXPECT_NO_THROW(services_.CreateDirectories(file + "\\below\\"));
  EXPECT_FALSE(IsDirectory(file + "\\below"));

  DeleteFileA(file.c_str());
  for (const char* below : {"\\a\\b\\Mervale", "\\a\\b", "\\a", ""}) {
    RemoveDirectoryA((root + below).c_str());
  }
}

TEST_F(Win32SystemTest, ExecutablePathIsWholeWhateverTheFirstBufferSize) {
  const std::string path = services_.ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_TRUE(path.ends_with("\\win32_tests.exe")) << path;
  EXPECT_EQ(path.find('\0'), std::string::npos);
  // Buffers too short for the path must grow, not cut it.
  for (std::size_t initial : {std::size_t{1}, std::size_t{8}, path.size(), path.size() + 1}) {
    SCOPED_TRACE(initial);
    EXPECT_EQ(ModuleFileName(initial), path);
  }

  const std::string dir = services_.ExecutableDir();
  ASSERT_TRUE(dir.ends_with('\\'));
  EXPECT_EQ(dir + "win32_tests.exe", path);
  EXPECT_TRUE(IsDirectory(dir));
}

TEST_F(Win32SystemTest, SystemLocaleNameIsTheOneOfTheSystemLocale) {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  ASSERT_GT(GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_SNAME, name, LOCALE_NAME_MAX_LENGTH), 0);
  const std::string expected(name, name + wcslen(name));
  EXPECT_EQ(services_.SystemLocaleName(), expected);
}

}  // namespace
}  // namespace mervale
