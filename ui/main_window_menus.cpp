#include <QListWidget>
#include <QMenu>

#include <map>
#include <string_view>

#include "engine/set_entries.h"
#include "ui/main_window.h"
#include "ui/program_text.h"

namespace mervale {
namespace {

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void MainWindow::buildMenus() {
  buildProcessMenu();
  buildTrayMenu();
  buildListMenus();
}

QAction* MainWindow::addMenuItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

void MainWindow::buildProcessMenu() {
  processMenu_ = new QMenu(this);
  processMenu_->setObjectName(QStringLiteral("PopupMenu1"));

  std::map<std::string_view, QMenu*> groups{{"", processMenu_}};
  const auto addSetItems = [this, &groups](std::string_view group) {
    for (const SetMenuItem& item : SetMenuItems()) {
      if (item.group != group) continue;
      QAction* action = groups.at(group)->addAction(Latin1(item.caption));
      action->setObjectName(Latin1(item.name));
      const int entry = item.entry;
      connect(action, &QAction::triggered, this, [this, entry] { onSetEntryTriggered(entry); });
    }
  };

  addSetItems("");
  connect(addMenuItem(processMenu_, "Isolate1", QStringLiteral("Isolate")), &QAction::triggered,
          this, &MainWindow::onIsolateTriggered);
  connect(addMenuItem(processMenu_, "Exclude1", QStringLiteral("Exclude")), &QAction::triggered,
          this, &MainWindow::onExcludeTriggered);
  processMenu_->addSeparator()->setObjectName(QStringLiteral("N3"));
  // Parents come before their children, so each submenu finds its parent already built.
  for (const SetMenuGroup& group : SetMenuGroups()) {
    QMenu* submenu = groups.at(group.parentName)->addMenu(Latin1(group.caption));
    submenu->setObjectName(Latin1(group.name));
    submenu->menuAction()->setObjectName(Latin1(group.name));
    groups.emplace(group.name, submenu);
  }
  for (const SetMenuGroup& group : SetMenuGroups()) addSetItems(group.name);
  allCpusMenu_ = groups.at("AllCPUs1");
  addToListMenu_ = groups.at("Addtolist1");
}

void MainWindow::showMachineSets() {
  const CpuTopology& topology = program_.Topology();
  const auto items =
      MachineSetItems(topology, CpuSet::FromNumbers(topology.online),
                      [this](ExtraCaption caption) { return program_.Caption(caption); });
  if (items.empty()) return;
  std::map<std::string, QMenu*> menus{{"AllCPUs1", allCpusMenu_}, {"Addtolist1", addToListMenu_}};
  for (QMenu* menu : {allCpusMenu_, addToListMenu_}) {
    // Submenus are the menu's children, which clearing its items leaves behind.
    qDeleteAll(menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    menu->clear();
  }
  for (const MachineSetItem& item : items) {
    QMenu* parent = menus.at(item.parent);
    const QString caption = ProgramText(item.caption);
    if (item.kind == MachineSetKind::kSubmenu) {
      QMenu* submenu = parent->addMenu(caption);
      submenu->setObjectName(Latin1(item.name));
      submenu->menuAction()->setObjectName(Latin1(item.name));
      menus.emplace(item.name, submenu);
      continue;
    }
    QAction* action = parent->addAction(caption);
    action->setObjectName(Latin1(item.name));
    const bool addToList = item.addToList;
    if (item.kind == MachineSetKind::kChooseCpus) {
      connect(action, &QAction::triggered, this,
              [this, addToList] { onChooseCpusTriggered(addToList); });
    } else {
      connect(action, &QAction::triggered, this,
              [this, set = item.set, addToList] { onMachineSetTriggered(set, addToList); });
    }
  }
}

void MainWindow::buildTrayMenu() {
  trayMenu_ = new QMenu(this);
  trayMenu_->setObjectName(QStringLiteral("PopupMenu2"));
  connect(addMenuItem(trayMenu_, "Show1", QStringLiteral("Show")), &QAction::triggered, this,
          &MainWindow::onShowTriggered);
  trayMenu_->addSeparator()->setObjectName(QStringLiteral("N1"));

  // Mode1
  QMenu* modeMenu = trayMenu_->addMenu(QStringLiteral("Mode"));
  modeMenu->setObjectName(QStringLiteral("Mode1"));
  modeMenu->menuAction()->setObjectName(QStringLiteral("Mode1"));
  for (const ModeTraits& mode : kModes) {
    QAction* item = addMenuItem(modeMenu, mode.trayItemName, QString::fromLatin1(mode.trayCaption));
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, &mode] { onTrayModeTriggered(mode.mode); });
    trayModeActions_[static_cast<std::size_t>(mode.mode)] = item;
  }
  checkTrayMode(program_.CurrentMode());

  trayMenu_->addSeparator()->setObjectName(QStringLiteral("N2"));
  connect(addMenuItem(trayMenu_, "Donation1", QStringLiteral("Donation")), &QAction::triggered,
          this, &MainWindow::onDonationTriggered);
  trayMenu_->addSeparator()->setObjectName(QStringLiteral("N4"));
  connect(addMenuItem(trayMenu_, "Exit1", QStringLiteral("Exit")), &QAction::triggered, this,
          &MainWindow::onExitTriggered);
}

void MainWindow::buildListMenus() {
  connect(addListMenu(profileList_, "PopupMenu3", "Delete1"), &QAction::triggered, this,
          &MainWindow::onDeleteProfileEntriesTriggered);
  connect(addListMenu(exclusionList_, "PopupMenu4", "Delete2"), &QAction::triggered, this,
          &MainWindow::onDeleteExclusionsTriggered);
}

QAction* MainWindow::addListMenu(QListWidget* list, const char* menuName, const char* deleteName) {
  auto* menu = new QMenu(this);
  menu->setObjectName(QString::fromLatin1(menuName));
  connect(list, &QWidget::customContextMenuRequested, this,
          [menu, list](const QPoint& at) { menu->popup(list->viewport()->mapToGlobal(at)); });
  return addMenuItem(menu, deleteName, QStringLiteral("Delete"));
}

void MainWindow::checkTrayMode(std::optional<Mode> mode) {
  for (const ModeTraits& traits : kModes)
    trayModeActions_[static_cast<std::size_t>(traits.mode)]->setChecked(traits.mode == mode);
}

}  // namespace mervale
