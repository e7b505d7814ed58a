// SPDX-License-Identifier: GPL-3.0-or-later

// The Windows side of the smoke test of mervale.exe: it looks for the program's window and tray
// from inside the same Wine desktop, and starts a new process that the running program must pin.
//
//   smoke_probe window TITLE SECONDS    waits for a visible top-level window of that title
//   smoke_probe minimize TITLE SECONDS  minimises it as its title bar's button does and waits until
//                                       it is hidden (the program hides it into the tray)
//   smoke_probe tray                    prints the tray's rectangle on the desktop
//   smoke_probe new-process MASK SECONDS
//       starts a suspended copy of itself and waits until its affinity mask is MASK
//
// Every answer is one line on standard output; the exit code says whether it was found.

// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr DWORD kPollMilliseconds = 100;

template <typename Found>
bool WaitFor(int seconds, Found found) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
  while (!found()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(kPollMilliseconds);
  }
  return true;
}

void PrintRect(const char* what, const RECT& rect) {
  std::printf("%s %ld %ld %ld %ld\n", what, rect.left, rect.top, rect.right - rect.left,
              rect.bottom - rect.top);
}

// The first visible top-level window of that title; hidden helper windows may share it.
HWND VisibleWindow(const char* title) {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, nullptr, title)) != nullptr) {
    if (IsWindowVisible(window)) return window;
  }
  return nullptr;
}

int FindWindowByTitle(const char* title, int seconds) {
  HWND window = nullptr;
  if (!WaitFor(seconds, [&] { return (window = VisibleWindow(title)) != nullptr; })) {
    std::printf("no visible window \"%s\"\n", title);
    return 1;
  }
  RECT rect{};
  GetWindowRect(window, &rect);
  PrintRect("window", rect);
  return 0;
}

int MinimizeToHidden(const char* title, int seconds) {
  const HWND window = VisibleWindow(title);
  if (window == nullptr) {
    std::printf("no visible window \"%s\"\n", title);
    return 1;
  }
  PostMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  if (!WaitFor(seconds, [&] { return !IsWindowVisible(window); })) {
    std::printf("window \"%s\" still visible\n", title);
    return 1;
  }
  std::printf("hidden\n");
  return 0;
}

int FindTray() {
  HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
  if (tray == nullptr) {
    std::printf("no tray window\n");
    return 1;
  }
  RECT rect{};
  GetWindowRect(tray, &rect);
  PrintRect("tray", rect);
  return 0;
}

int NewProcessGetsMask(DWORD_PTR expected, int seconds) {
  std::string path(MAX_PATH * 4, '\0');
  path.resize(GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
  // Suspended, the copy never runs a line: only its mask matters.
  std::string commandLine = "\"" + path + "\" child";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION child{};
  if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, nullptr, &startup, &child)) {
    std::printf("cannot start a child: error %lu\n", GetLastError());
    return 1;
  }
  DWORD_PTR mask = 0;
  DWORD_PTR systemMask = 0;
  const bool pinned = WaitFor(seconds, [&] {
    return GetProcessAffinityMask(child.hProcess, &mask, &systemMask) && mask == expected;
  });
  std::printf("child %lu mask %llu (system %llu)\n", child.dwProcessId,
              static_cast<unsigned long long>(mask), static_cast<unsigned long long>(systemMask));
  TerminateProcess(child.hProcess, 0);
  WaitForSingleObject(child.hProcess, 10000);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  return pinned ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string command = argc > 1 ? argv[1] : "";
  int result = 2;
  if (command == "window" && argc == 4) {
    result = FindWindowByTitle(argv[2], std::atoi(argv[3]));
  } else if (command == "minimize" && argc == 4) {
    result = MinimizeToHidden(argv[2], std::atoi(argv[3]));
  } else if (command == "tray" && argc == 2) {
    result = FindTray();
  } else if (command == "new-process" && argc == 4) {
    result = NewProcessGetsMask(std::strtoull(argv[2], nullptr, 10), std::atoi(argv[3]));
  } else {
    std::fprintf(
        stderr,
        "usage: smoke_probe window|minimize TITLE SECONDS | tray | new-process MASK SECONDS\n");
  }
  std::fflush(stdout);
  return result;
}
