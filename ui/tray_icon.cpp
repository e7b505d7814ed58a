// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/tray_icon.h"

#include <QCursor>
#include <QSystemTrayIcon>

#include "ui/app_icon.h"

namespace mervale {
namespace {

std::optional<bool> availabilityOverride;

}  // namespace

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), icon_(new QSystemTrayIcon(this)) {
  icon_->setIcon(AppIcon());
  icon_->setToolTip(QStringLiteral("Mervale"));
  // The menu is opened by hand rather than given to Qt, so that it opens the same way on every
  // platform and always at the pointer; single clicks do nothing.
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::Context) emit menuRequested(QCursor::pos());
    if (why == QSystemTrayIcon::DoubleClick) emit doubleClicked();
  });
}

void TrayIcon::add() {
  icon_->show();
}

void TrayIcon::remove() {
  icon_->hide();
}

bool TrayIcon::isAvailable() {
  return availabilityOverride.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::overrideAvailability(std::optional<bool> available) {
  availabilityOverride = available;
}

}  // namespace mervale
