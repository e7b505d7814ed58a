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
    if (why == QSystemTrayIcon::Context) emit MenuRequested(QCursor::pos());
    if (why == QSystemTrayIcon::DoubleClick) emit DoubleClicked();
  });
}

void TrayIcon::Add() {
  icon_->show();
}

void TrayIcon::Remove() {
  icon_->hide();
}

bool TrayIcon::IsAdded() const {
  return icon_->isVisible();
}

bool TrayIcon::Available() {
  return availabilityOverride.value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void TrayIcon::OverrideAvailability(std::optional<bool> available) {
  availabilityOverride = available;
}

}  // namespace mervale
