// SPDX-License-Identifier: GPL-3.0-or-later

// Writes the program's icon into a hicolor theme tree: DIR/NxN/apps/NAME.png for every size given.
// Usage: render_icons DIR NAME SIZE...
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

#include "ui/app_icon.h"

int main(int argc, char* argv[]) {
  QGuiApplication application(argc, argv);
  const QStringList arguments = QGuiApplication::arguments();
  if (arguments.size() < 4) {
    std::fputs("usage: render_icons DIR NAME SIZE...\n", stderr);
    return 2;
  }
  const QIcon icon = mervale::AppIcon();
  for (const QString& sizeText : arguments.mid(3)) {
    const int size = sizeText.toInt();
    const QString dir = QStringLiteral("%1/%2x%2/apps").arg(arguments[1]).arg(size);
    const QString file = QStringLiteral("%1/%2.png").arg(dir, arguments[2]);
    if (size <= 0 || !QDir().mkpath(dir) || !icon.pixmap(size, size).save(file)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
