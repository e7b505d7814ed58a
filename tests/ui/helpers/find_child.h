// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QObject>
#include <QString>

namespace mervale {

// The child of that object name, or the test ends with its name.
template <typename T>
T* Find(const QObject* parent, const QString& name) {
  T* found = parent->findChild<T*>(name);
  if (!found) qFatal("no %s", qPrintable(name));
  return found;
}

}  // namespace mervale
