// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "engine/platform/fake/fake_platform.h"
#include "store/system/fake/fake_system.h"

namespace mervale {

// A scripted machine of four CPUs for the windows: fake processes, fake system services whose data
// directory and executable directory lie in a fresh temporary folder, and the language files
// "English" (the built-in captions) and "German" (line i reads "de<i>", separators stay "-").
class TestMachine {
 public:
  TestMachine();

  FakeProcessPlatform platform{4};
  FakeSystemServices system;

  QString DataFile(const QString& name) const;
  bool HasDataFile(const QString& name) const;
  // Writes the lines, each ended by CR LF.
  void WriteDataFile(const QString& name, const QStringList& lines);
  QStringList ReadDataFile(const QString& name) const;
  void RemoveDataFile(const QString& name);

 private:
  QTemporaryDir root_;
  QString dataDir_;
};

}  // namespace mervale
