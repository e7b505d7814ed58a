// SPDX-License-Identifier: GPL-3.0-or-later

#include "test_machine.h"

#include <QDir>
#include <QFile>

#include <array>

namespace mervale {
namespace {

// The captions the windows are built with, by language line.
constexpr std::array<const char*, 42> kEnglishLines{"Processname",
                                                    "Id",
                                                    "CPU",
                                                    "Mode",
                                                    "All CPUs",
                                                    "",
                                                    "Profil:",
                                                    "Profil 1",
                                                    "Options",
                                                    "  Mervale",
                                                    "About",
                                                    "CPU 1",
                                                    "CPU 2",
                                                    "CPU 1+2",
                                                    "-",
                                                    "Add to list",
                                                    "Quad core",
                                                    "Show",
                                                    "-",
                                                    "Mode",
                                                    "Automatic",
                                                    "Manual",
                                                    "CPU 1",
                                                    "CPU 2",
                                                    "Off",
                                                    "-",
                                                    "Donation",
                                                    "-",
                                                    "Exit",
                                                    "Delete",
                                                    "Delete",
                                                    "Refresh rate (s):",
                                                    "",
                                                    "",
                                                    "",
                                                    "Autostart with windows",
                                                    "Start minimized",
                                                    "",
                                                    "",
                                                    "Close",
                                                    "Isolate",
                                                    "Exclude"};

void WriteLines(const QString& path, const QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    qFatal("cannot write %s", qPrintable(path));
  for (const QString& line : lines) file.write(line.toUtf8() + "\r\n");
}

}  // namespace

TestMachine::TestMachine() {
  if (!root_.isValid()) qFatal("no temporary directory");
  dataDir_ = root_.filePath(QStringLiteral("config/Mervale/"));
  const QString bin = root_.filePath(QStringLiteral("bin/"));
  QDir().mkpath(bin + QStringLiteral("Languages"));
  system.SetDataDir(dataDir_.toStdString());
  system.SetExecutableDir(bin.toStdString());
  system.SetExecutablePath((bin + QStringLiteral("mervale")).toStdString());

  QStringList english;
  QStringList german;
  for (std::size_t i = 0; i < kEnglishLines.size(); ++i) {
    english << QString::fromLatin1(kEnglishLines[i]);
    german << (english.last() == QLatin1String("-") ? english.last()
                                                    : QStringLiteral("de%1").arg(i));
  }
  WriteLines(bin + QStringLiteral("Languages/English.txt"), english);
  WriteLines(bin + QStringLiteral("Languages/German.txt"), german);
}

QString TestMachine::DataFile(const QString& name) const {
  return dataDir_ + name;
}

bool TestMachine::HasDataFile(const QString& name) const {
  return QFile::exists(DataFile(name));
}

void TestMachine::WriteDataFile(const QString& name, const QStringList& lines) {
  QDir().mkpath(dataDir_);
  WriteLines(DataFile(name), lines);
}

QStringList TestMachine::ReadDataFile(const QString& name) const {
  QFile file(DataFile(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

void TestMachine::RemoveDataFile(const QString& name) {
  QFile::remove(DataFile(name));
}

}  // namespace mervale
