// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/process_menu.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/program.h"
#include "engine/set_menus.h"
#include "ui/caption_board.h"
#include "ui/choose_cpus_dialog.h"
#include "ui/error_box.h"
#include "ui/process_table_model.h"
#include "ui/program_text.h"

namespace mervale {
namespace {

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QMenu* AddSubmenu(QMenu* parent, std::string_view name, const QString& caption) {
  QMenu* submenu = parent->addMenu(caption);
  submenu->setObjectName(Latin1(name));
  submenu->menuAction()->setObjectName(Latin1(name));
  return submenu;
}

}  // namespace

ProcessMenu::ProcessMenu(Program& program, CaptionBoard& captions, ProcessTableModel& rows,
                         QWidget* window)
    : QMenu(window), program_(program), window_(window), rows_(rows) {
  setObjectName(QStringLiteral("PopupMenu1"));
  connect(this, &QMenu::aboutToShow, this, [this] { chosen_ = program_.SelectedPids(); });
  buildSetMenus(captions);
  captions.bindRefresher([this] { showMachineSets(); });
}

QAction* ProcessMenu::addItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

void ProcessMenu::buildSetMenus(CaptionBoard& captions) {
  // Keyed by place and number of CPUs; the process menu itself stands under its own place.
  std::map<std::pair<SetMenuPlace, int>, QMenu*> menus{{{SetMenuPlace::kProcessMenu, 0}, this}};
  const auto addSetItems = [this, &menus, &captions](SetMenuPlace place, int cpuCount) {
    for (const SetMenuItem& item : SetMenuItems()) {
      if (item.place != place || SubmenuCpuCount(item) != cpuCount) continue;
      QAction* action = menus.at({place, cpuCount})->addAction(Latin1(item.caption));
      action->setObjectName(Latin1(item.name));
      if (item.captionLine) captions.bindMenuItem(*item.captionLine, action);
      setItems_.emplace_back(action, SetOf(item.flags));
      const bool addToList = item.place == SetMenuPlace::kAddToList;
      connect(action, &QAction::triggered, this,
              [this, flags = item.flags, addToList] { onSetTriggered(flags, addToList); });
    }
  };

  addSetItems(SetMenuPlace::kProcessMenu, 0);
  QAction* restore = addItem(this, "Restore1", QString());
  connect(restore, &QAction::triggered, this, &ProcessMenu::onRestoreTriggered);
  captions.bindComposedItem(
      restore, [this] { return ProgramText(program_.Caption(AddedCaption::kRestoreCpusItem)); });
  QAction* isolate = addItem(this, "Isolate1", QStringLiteral("Isolate"));
  connect(isolate, &QAction::triggered, this, &ProcessMenu::onIsolateTriggered);
  captions.bindMenuItem(CaptionTarget::kIsolateItem, isolate);
  QAction* exclude = addItem(this, "Exclude1", QStringLiteral("Exclude"));
  connect(exclude, &QAction::triggered, this, &ProcessMenu::onExcludeTriggered);
  captions.bindMenuItem(CaptionTarget::kExcludeItem, exclude);
  QAction* separator = addSeparator();
  separator->setObjectName(QStringLiteral("N3"));
  captions.bindMenuItem(CaptionTarget::kProcessMenuSeparator, separator);
  // A place's own menu comes before its "N CPUs" submenus, so each finds its parent built.
  for (const SetSubmenu& submenu : SetSubmenus()) {
    QMenu* parent = submenu.cpuCount == 0 ? this : menus.at({submenu.place, 0});
    QMenu* menu = AddSubmenu(parent, submenu.name, Latin1(submenu.caption));
    if (submenu.captionLine) captions.bindMenuItem(*submenu.captionLine, menu->menuAction());
    menus.emplace(std::pair{submenu.place, submenu.cpuCount}, menu);
  }
  for (const SetSubmenu& submenu : SetSubmenus()) addSetItems(submenu.place, submenu.cpuCount);
  allCpusMenu_ = menus.at({SetMenuPlace::kAllCpus, 0});
  addToListMenu_ = menus.at({SetMenuPlace::kAddToList, 0});
}

void ProcessMenu::showMachineSets() {
  const CpuTopology& topology = program_.Topology();
  const CpuSet online = CpuSet::FromNumbers(topology.online);
  for (const auto& [action, set] : setItems_) {
    // A layout that names no CPU says nothing about what the machine lacks.
    if (action) action->setEnabled(online.Empty() || set.IsSubsetOf(online));
  }
  // A submenu left without an item to choose ("3 CPUs" on two) is greyed out as a whole.
  for (QMenu* place : {allCpusMenu_, addToListMenu_}) {
    for (QMenu* submenu : place->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) {
      const QList<QAction*> items = submenu->actions();
      submenu->menuAction()->setEnabled(
          std::ranges::any_of(items, [](const QAction* item) { return item->isEnabled(); }));
    }
  }
  const CaptionOf caption = [this](AddedCaption line) { return program_.Caption(line); };
  const auto items = MachineSetItems(topology, online, caption);
  if (items.empty()) return;
  for (QMenu* menu : {allCpusMenu_, addToListMenu_}) {
    // Submenus are the menu's children, which clearing its items leaves behind.
    qDeleteAll(menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    menu->clear();
    menu->setToolTipsVisible(true);
  }
  std::vector<QMenu*> submenus(items.size(), nullptr);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const MachineSetItem& item = items[i];
    QMenu* parent = item.parent != MachineSetItem::kTopLevel
                        ? submenus[static_cast<std::size_t>(item.parent)]
                    : item.addToList ? addToListMenu_
                                     : allCpusMenu_;
    const QString text = ProgramText(item.caption);
    if (item.kind == MachineSetKind::kSubmenu) {
      submenus[i] = AddSubmenu(parent, item.name, text);
      submenus[i]->setToolTipsVisible(true);
      continue;
    }
    QAction* action = parent->addAction(text);
    action->setObjectName(Latin1(item.name));
    const bool addToList = item.addToList;
    if (item.kind == MachineSetKind::kChooseCpus) {
      connect(action, &QAction::triggered, this,
              [this, addToList] { onChooseCpusTriggered(addToList); });
    } else {
      action->setToolTip(ProgramText(CpuSetToolTip(item.set, topology, caption)));
      connect(action, &QAction::triggered, this,
              [this, set = item.set, addToList] { onMachineSetTriggered(set, addToList); });
    }
  }
}

// CPU11Click ... N12342Click
void ProcessMenu::onSetTriggered(const CpuFlags& flags, bool addToList) {
  onMachineSetTriggered(SetOf(flags), addToList);
}

void ProcessMenu::selectChosen() {
  if (chosen_) rows_.selectOnly(*chosen_);
  chosen_.reset();
}

template <typename Action>
void ProcessMenu::runOnChosen(Action&& action) {
  selectChosen();
  RunGuarded(window_, action);
}

void ProcessMenu::onMachineSetTriggered(const CpuSet& set, bool addToList) {
  runOnChosen([&] { program_.ApplySetToSelected(set, addToList); });
}

void ProcessMenu::onChooseCpusTriggered(bool addToList) {
  selectChosen();
  // Window-modal without a nested loop, so the refresh goes on while the user chooses.
  auto* dialog = new ChooseCpusDialog(program_, addToList, window_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

// Isolate1Click
void ProcessMenu::onIsolateTriggered() {
  runOnChosen([this] { program_.IsolateSelected(); });
}

void ProcessMenu::onRestoreTriggered() {
  runOnChosen([this] { program_.RestoreSelected(); });
}

// Exclude1Click
void ProcessMenu::onExcludeTriggered() {
  runOnChosen([this] { program_.ExcludeSelected(); });
}

}  // namespace mervale
