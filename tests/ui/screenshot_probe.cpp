// SPDX-License-Identifier: GPL-3.0-or-later

// Pictures of the program's windows as a user sees them on the machine it runs on: the main
// window with its process table and profile list, the process menu with its "All CPUs" submenus
// open over the table (on a machine with more than four CPUs, also the "Single CPUs" and "Cores"
// menus), the tray menu with its "Mode" submenu, the Options window and the "Choose CPUs" dialog,
// as PNG files in the directory given. Run by scripts/screenshots.sh and
// scripts/screenshots-guest.sh under Xvfb, as PID 1 of a PID namespace with a few children of its
// own.
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "engine/cpu_cycle.h"
#include "engine/cpu_list_text.h"
#include "engine/platform/linux/linux_platform.h"
#include "store/system/linux/linux_system.h"
#include "ui/choose_cpus_dialog.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/window_set.h"

using namespace mervale;

namespace {

// Whether every picture so far was written: the probe's exit status, so a script fails with it.
bool allSaved = true;

void Report(bool saved, const QString& name, QSize size) {
  allSaved = allSaved && saved;
  std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "FAILED", qPrintable(name), size.width(),
              size.height());
}

void Save(QWidget* widget, const QString& directory, const QString& name) {
  QApplication::processEvents();
  Report(widget->grab().save(directory + "/" + name + ".png"), name, widget->size());
}

// The menus of `names` that the machine has, each a submenu of the one before, as far as they go.
QList<QMenu*> MenuChain(QWidget& window, const QStringList& names) {
  QList<QMenu*> chain;
  for (const QString& name : names) {
    auto* menu = window.findChild<QMenu*>(name);
    if (!menu || (!chain.isEmpty() && !menu->menuAction()->isVisible())) break;
    chain.append(menu);
  }
  return chain;
}

// Opens the chain as a user would, the first menu at `at` and each submenu beside the item that
// opens it, and saves the screen under the menus (and under `background` when given) as one
// picture.
void SaveMenuChain(const QList<QMenu*>& chain, QPoint at, QWidget* background,
                   const QString& directory, const QString& name) {
  QRect area = background ? background->frameGeometry() : QRect();
  for (int i = 0; i < chain.size(); ++i) {
    if (i > 0) {
      const QRect item = chain[i - 1]->actionGeometry(chain[i]->menuAction());
      at = chain[i - 1]->mapToGlobal(item.topRight());
    }
    chain[i]->popup(at);
    QTest::qWait(200);
    area |= chain[i]->geometry();
  }
  QScreen* screen = QGuiApplication::primaryScreen();
  area &= screen->geometry();
  QApplication::processEvents();
  const QPixmap picture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
  Report(picture.save(directory + "/" + name + ".png"), name, area.size());
  for (QMenu* menu : chain) menu->hide();
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
  // A plain desktop behind the windows: menus that reach past the main window show it, not the
  // bare X screen.
  QWidget desktop;
  desktop.setGeometry(QGuiApplication::primaryScreen()->geometry());
  desktop.setPalette(QColor(0x4a, 0x5d, 0x73));
  desktop.setAutoFillBackground(true);
  desktop.show();
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
  ProcessTable& table = program.Processes();
  const CpuTopology& topology = program.Topology();
  const CpuSet online = CpuSet::FromNumbers(topology.online);
  for (const bool children : {true, false}) {
    for (int row = 0; row < table.RowCount(); ++row)
      table.SetSelected(row, (table.RowAt(row).name == "sleep") == children);
    program.ApplySetToSelected(children ? CycleCpus(CpuCycle::kOneThreadPerCore, online, topology)
                                        : CpusBesideFirstCore(program.Policy()),
                               true);
  }
  // Manual mode gives each process the set its entry names.
  program.SelectMode(Mode::kManual);
  for (int row = 0; row < table.RowCount(); ++row) table.SetSelected(row, row == 0);
  const CaptionOf caption = [&program](AddedCaption line) { return program.Caption(line); };
  std::printf("CPU column tooltip of the first row:\n%s\n",
              CpuSetToolTip(TextToMask(table.RowAt(0).maskText, table.RowAt(0).maskText.size()),
                            topology, caption)
                  .c_str());
  Save(&window, directory, "main-window");
  window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(0);

  // The process menu where a right click on the second row opens it; a chain that opens no more
  // than one shown before is left out.
  auto* rows = window.findChild<QTableView*>(QStringLiteral("ListView1"));
  rows->selectRow(1);
  const QPoint onRow =
      rows->viewport()->mapToGlobal(rows->visualRect(rows->model()->index(1, 0)).center());
  QList<QList<QMenu*>> shown;
  for (const auto& [name, menus] : std::initializer_list<std::pair<QString, QStringList>>{
           {"process-menu", {"PopupMenu1", "AllCPUs1", "woCPUs1"}},
           {"process-menu-cpus", {"PopupMenu1", "AllCPUs1", "SingleCpus1", "SingleCpusPart1_1"}},
           {"process-menu-cores", {"PopupMenu1", "AllCPUs1", "Cores1", "CoresPart2_1"}}}) {
    const QList<QMenu*> chain = MenuChain(window, menus);
    if (std::ranges::any_of(
            shown, [&chain](const auto& earlier) { return earlier.mid(0, chain.size()) == chain; }))
      continue;
    SaveMenuChain(chain, onRow, &window, directory, name);
    shown.append(chain);
  }
  // The tray menu alone, as it opens beside a tray at the bottom of the screen.
  const QList<QMenu*> tray = MenuChain(window, {"PopupMenu2", "Mode1"});
  SaveMenuChain(tray, window.frameGeometry().bottomRight() - QPoint(300, 250), nullptr, directory,
                "tray-menu");

  OptionsWindow& options = windows.optionsWindow();
  options.show();
  QTest::qWait(200);
  Save(&options, directory, "options");
  options.hide();

  ChooseCpusDialog dialog(program, false, &window);
  dialog.show();
  QTest::qWait(200);
  Save(&dialog, directory, "choose-cpus");
  for (auto& child : children) child->kill();
  for (auto& child : children) child->waitForFinished();
  return allSaved ? 0 : 1;
}
