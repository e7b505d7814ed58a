// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/single_instance.h"

#include <QDeadlineTimer>
#include <QThread>

#include <cstdio>
#include <string>

// clang-format off
#include <windows.h>
// clang-format on

namespace mervale {
namespace {

// A running instance keeps a window that is never shown, found by this class and the instance
// name as its title. The installer finds it by the same two to close the program.
constexpr wchar_t kWindowClass[] = L"MervaleInstance";
// A later start asks for the main window with this message; WM_CLOSE asks the program to end.
constexpr UINT kShowMessage = WM_APP + 1;
constexpr LRESULT kShown = 1;
// How long a later start waits for the first one: it may hold the mutex but have no window yet,
// or be busy for a moment before its message loop takes the request.
constexpr int kAnswerMilliseconds = 5000;

LRESULT CALLBACK InstanceWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* instance = reinterpret_cast<SingleInstance*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (instance != nullptr && message == kShowMessage) {
    emit instance->activationRequested({});
    return kShown;
  }
  // Not destroyed here: the program ends as its "Exit" ends it, and the window goes with it.
  if (instance != nullptr && message == WM_CLOSE) {
    emit instance->exitRequested();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Holds the hidden window as a child of the instance, so that the window goes with it.
class InstanceWindow : public QObject {
 public:
  InstanceWindow(HWND window, QObject* parent) : QObject(parent), window_(window) {}
  ~InstanceWindow() override { DestroyWindow(window_); }

 private:
  HWND window_;
};

}  // namespace

QString InstanceName() {
  // The mutex is per session, and so are the windows: the user name keeps apart the users who
  // share one session (a program started as another user).
  return QStringLiteral("mervale-%1").arg(qEnvironmentVariable("USERNAME"));
}

// Windows lets a program give its right to the foreground away (below); there is no token.
QByteArray LaunchActivationToken() {
  return {};
}

void SingleInstance::listen() {
  const HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = InstanceWindowProcedure;
  windowClass.hInstance = module;
  windowClass.lpszClassName = kWindowClass;
  // A second registration in one process (tests) finds the class there already.
  RegisterClassExW(&windowClass);
  const std::wstring title = name_.toStdWString();
  const HWND window = CreateWindowExW(0, kWindowClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                      nullptr, module, nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "Mervale cannot answer a second start: error %lu\n", GetLastError());
    return;
  }
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  new InstanceWindow(window, this);
}

bool SingleInstance::askFirstInstance(const QByteArray& /*activationToken*/) const {
  const std::wstring title = name_.toStdWString();
  const QDeadlineTimer deadline(kAnswerMilliseconds);
  HWND window = nullptr;
  while ((window = FindWindowW(kWindowClass, title.c_str())) == nullptr) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(50);
  }
  // Windows gave the foreground to this start; the first instance may take it over.
  DWORD firstProcess = 0;
  GetWindowThreadProcessId(window, &firstProcess);
  AllowSetForegroundWindow(firstProcess);
  DWORD_PTR answer = 0;
  return SendMessageTimeoutW(window, kShowMessage, 0, 0, SMTO_ABORTIFHUNG,
                             static_cast<UINT>(deadline.remainingTime()), &answer) != 0 &&
         answer == kShown;
}

}  // namespace mervale
