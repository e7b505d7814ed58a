// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/exit_signals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mervale {
namespace {

constexpr std::array kExitSignals{SIGTERM, SIGINT};

int pipeFds[2] = {-1, -1};
struct sigaction formerExitActions[kExitSignals.size()];
struct sigaction formerChildAction;

void WakeEventLoop(int signal) {
  const int savedErrno = errno;
  const auto number = static_cast<unsigned char>(signal);
  // A full pipe already holds a wake-up; the byte lost then changes nothing.
  [[maybe_unused]] const ssize_t written = write(pipeFds[1], &number, 1);
  errno = savedErrno;
}

void Catch(int signal, struct sigaction* former) {
  struct sigaction action {};
  action.sa_handler = WakeEventLoop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | (signal == SIGCHLD ? SA_NOCLDSTOP : 0);
  sigaction(signal, &action, former);
}

// Reaps every child that has ended, and leaves those still running alone; false when no child is
// left at all.
bool ReapEndedChildren() {
  pid_t pid = 0;
  while ((pid = waitpid(-1, nullptr, WNOHANG)) > 0) {
  }
  return !(pid < 0 && errno == ECHILD);
}

}  // namespace

ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {
  // Without a pipe the signals keep their former handling; nothing else depends on them.
  if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &ExitSignals::readPipe);
  for (std::size_t i = 0; i < kExitSignals.size(); ++i) {
    Catch(kExitSignals[i], &formerExitActions[i]);
  }
  if (IsNamespaceInit()) {
    Catch(SIGCHLD, &formerChildAction);
    // Orphans that ended before the handler was there.
    ReapEndedChildren();
  }
}

ExitSignals::~ExitSignals() {
  if (notifier_ == nullptr) return;
  for (std::size_t i = 0; i < kExitSignals.size(); ++i) {
    sigaction(kExitSignals[i], &formerExitActions[i], nullptr);
  }
  if (IsNamespaceInit()) sigaction(SIGCHLD, &formerChildAction, nullptr);
  delete notifier_;
  close(pipeFds[0]);
  close(pipeFds[1]);
  pipeFds[0] = pipeFds[1] = -1;
}

void ExitSignals::readPipe() {
  std::array<unsigned char, 64> numbers{};
  bool exitAsked = false;
  ssize_t count = 0;
  while ((count = read(pipeFds[0], numbers.data(), numbers.size())) > 0) {
    for (ssize_t i = 0; i < count; ++i) exitAsked = exitAsked || numbers[i] != SIGCHLD;
  }
  if (IsNamespaceInit()) ReapEndedChildren();
  if (exitAsked) emit exitRequested();
}

bool IsNamespaceInit() {
  return getpid() == 1;
}

void EndNamespaceProcesses(std::chrono::milliseconds grace) {
  // -1 reaches every process of the namespace but this one.
  kill(-1, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + grace;
  while (ReapEndedChildren() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace mervale
