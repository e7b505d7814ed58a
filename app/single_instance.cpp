// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/single_instance.h"

#include <cstdio>

#include "store/system/instance_lock.h"

namespace mervale {

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim(const QByteArray& activationToken) {
  lock_ = TakeInstanceLock((name_ + QStringLiteral(".lock")).toStdString());
  if (!lock_->HeldElsewhere()) {
    listen();
    return true;
  }
  lock_.reset();
  if (askFirstInstance(activationToken)) {
    std::fputs("Mervale is already running; its window was brought forward.\n", stderr);
  } else {
    std::fputs("Mervale is already running but did not answer; nothing was started.\n", stderr);
  }
  return false;
}

}  // namespace mervale
