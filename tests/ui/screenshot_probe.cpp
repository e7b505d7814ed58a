// SPDX-License-Identifier: GPL-3.0-or-later

// Pictures of what a user of a machine with more than four CPUs sees: the main window with its
// process table and profile list, the process menu's "All CPUs" menus and the "Choose CPUs"
// dialog, as PNG files in the directory given. Run by scripts/screenshots-guest.sh inside a guest
// of that machine's shape, as PID 1 of a PID namespace with a few children of its own.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <cstdio>
#include <memory>
#include <vector>

#include "engine/cpu_cycle.h"
#include "engine/cpu_list_text.h"
#include "engine/platform/linux/linux_platform.h"
#include "store/system/linux/linux_system.h"
#include "ui/choose_cpus_dialog.h"
#include "ui/main_window.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

void Save(QWidget* widget, const QString& directory, const QString& name) {
  QApplication::processEvents();
  const bool saved = widget->grab().save(directory + "/" + name + ".png");
  std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "FAILED", qPrintable(name), widget->width(),
              widget->height());
}

// Opens the menu and each submenu it names in turn, beside one another as a user would.
void SaveMenus(QWidget& window, const QString& directory, const QStringList& names) {
  QPoint at(0, 0);
  for (const QString& name : names) {
    auto* menu = window.findChild<QMenu*>(name);
    if (!menu) continue;
    menu->popup(at);
    QTest::qWait(200);
    Save(menu, directory, "menu-" + name);
    at.rx() += menu->width();
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: screenshot_probe DIRECTORY\n");
    return 2;
  }
  const QString directory = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(directory);

  std::vector<std::unique_ptr<QProcess>> children;
  for (int i = 0; i < 3; ++i) {
    children.push_back(std::make_unique<QProcess>());
    children.back()->start(QStringLiteral("sleep"), {QStringLiteral("300")});
    children.back()->waitForStarted();
  }
  LinuxProcessPlatform platform;
  LinuxSystemServices system;
  WindowSet windows(platform, system);
  Program& program = windows.program();
  MainWindow& window = windows.mainWindow();
  window.resize(868, 479);
  window.show();
  program.RefreshProcesses();

  // Two profile entries, recorded as "Add to list" does: the children on one thread per core,
  // this program on every CPU but the first core.
  ProcessTable& table = program.Engine().Table();
  const CpuTopology& topology = program.Topology();
  const CpuSet online = CpuSet::FromNumbers(topology.online);
  for (const bool children : {true, false}) {
    for (int row = 0; row < table.RowCount(); ++row)
      table.SetSelected(row, (table.RowAt(row).name == "sleep") == children);
    program.ApplySetToSelected(children ? CycleCpus(CpuCycle::kOneThreadPerCore, online, topology)
                                        : CpusBesideFirstCore(program.Engine().Policy()),
                               true);
  }
  for (int row = 0; row < table.RowCount(); ++row) table.SetSelected(row, row == 0);
  const CaptionOf caption = [&program](AddedCaption line) { return program.Caption(line); };
  std::printf("CPU column tooltip of the first row:\n%s\n",
              CpuSetToolTip(TextToMask(table.RowAt(0).maskText, table.RowAt(0).maskText.size()),
                            topology, caption)
                  .c_str());
  Save(&window, directory, "main-window");
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);

  SaveMenus(
      window, directory,
      {"PopupMenu1", "AllCPUs1", "SingleCpus1", "SingleCpusPart1_1", "Cores1", "CoresPart2_1"});
  for (QMenu* menu : window.findChildren<QMenu*>()) menu->hide();

  ChooseCpusDialog dialog(program, false, &window);
  dialog.show();
  QTest::qWait(200);
  Save(&dialog, directory, "choose-cpus");
  for (auto& child : children) child->kill();
  for (auto& child : children) child->waitForFinished();
  return 0;
}
