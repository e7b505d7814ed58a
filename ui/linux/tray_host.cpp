// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/tray_host.h"

#include <QDBusConnection>
#include <QDBusInterface>

namespace mervale {

// Qt gives the icon to a StatusNotifierItem host when the watcher on the session bus says a host
// is registered at the moment the first icon is made, and embeds it the XEmbed way otherwise; the
// same question, asked at that moment, gives the same answer. Those hosts send "Activate" for a
// click and have no double click.
bool TrayHostReportsDoubleClicks() {
  const QString watcherName = QStringLiteral("org.kde.StatusNotifierWatcher");
  QDBusInterface watcher(watcherName, QStringLiteral("/StatusNotifierWatcher"), watcherName,
                         QDBusConnection::sessionBus());
  return !(watcher.isValid() && watcher.property("IsStatusNotifierHostRegistered").toBool());
}

}  // namespace mervale
