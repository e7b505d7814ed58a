// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/exit_signals.h"

namespace mervale {

// Windows sends no SIGTERM or SIGINT: the installer and taskkill close the instance's hidden window
// instead (SingleInstance::exitRequested). Nor has it PID namespaces.
ExitSignals::ExitSignals(QObject* parent) : QObject(parent) {}

ExitSignals::~ExitSignals() = default;

bool IsNamespaceInit() {
  return false;
}

void EndNamespaceProcesses(std::chrono::milliseconds /*grace*/) {}

}  // namespace mervale
