// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "ui/app_icon.h"
#include "ui/tray_host.h"

namespace mervale {
namespace {

std::optional<bool> availabilityOverride;
std::optional<bool> doubleClickOverride;

}  // namespace

TrayIcon::TrayIcon(QMenu* menu, QObject* parent) : QObject(parent) {
  // Asked before the icon is made, at the moment Qt chooses its way into the tray.
  const QSystemTrayIcon::ActivationReason bringsBack =
      doubleClickOverride.value_or(TrayHostReportsDoubleClicks()) ? QSystemTrayIcon::DoubleClick
                                                                  : QSystemTrayIcon::Trigger;
  icon_ = new QSystemTrayIcon(this);
  icon_->setIcon(AppIcon());
  icon_->setToolTip(QStringLiteral("Mervale"));
  // Every submenu is there by now: Qt exports the menu as it is when it is given.
  icon_->setContextMenu(menu);
  connect(icon_, &QSystemTrayIcon::activated, this,
          [this, bringsBack](QSystemTrayIcon::ActivationReason why) {
            if (why == bringsBack) emit windowRequested();
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

void TrayIcon::overrideDoubleClickReports(std::optional<bool> reported) {
  doubleClickOverride = reported;
}

}  // namespace mervale
