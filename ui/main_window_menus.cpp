#include <QListWidget>
#include <QMenu>

#include <map>
#include <string_view>

#include "engine/set_entries.h"
#include "ui/main_window.h"

namespace mervale {
namespace {

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void TForm1::BuildMenus() {
  BuildProcessMenu();
  BuildTrayMenu();
  BuildListMenus();
}

QAction* TForm1::AddMenuItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

void TForm1::BuildProcessMenu() {
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));

  std::map<std::string_view, QMenu*> groups{{"", PopupMenu1}};
  const auto addSetItems = [this, &groups](std::string_view group) {
    for (const SetMenuItem& item : SetMenuItems()) {
      if (item.group != group) continue;
      QAction* action = groups.at(group)->addAction(Latin1(item.caption));
      action->setObjectName(Latin1(item.name));
      const int entry = item.entry;
      connect(action, &QAction::triggered, this, [this, entry] { SetEntryClick(entry); });
    }
  };

  addSetItems("");
  connect(AddMenuItem(PopupMenu1, "Isolate1", QStringLiteral("Isolate")), &QAction::triggered, this,
          &TForm1::Isolate1Click);
  connect(AddMenuItem(PopupMenu1, "Exclude1", QStringLiteral("Exclude")), &QAction::triggered, this,
          &TForm1::Exclude1Click);
  PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N3"));
  // Parents come before their children, so each submenu finds its parent already built.
  for (const SetMenuGroup& group : SetMenuGroups()) {
    QMenu* submenu = groups.at(group.parentName)->addMenu(Latin1(group.caption));
    submenu->setObjectName(Latin1(group.name));
    submenu->menuAction()->setObjectName(Latin1(group.name));
    groups.emplace(group.name, submenu);
  }
  for (const SetMenuGroup& group : SetMenuGroups()) addSetItems(group.name);
}

void TForm1::BuildTrayMenu() {
  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
  connect(AddMenuItem(PopupMenu2, "Show1", QStringLiteral("Show")), &QAction::triggered, this,
          &TForm1::Show1Click);
  PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N1"));

  Mode1 = PopupMenu2->addMenu(QStringLiteral("Mode"));
  Mode1->setObjectName(QStringLiteral("Mode1"));
  Mode1->menuAction()->setObjectName(QStringLiteral("Mode1"));
  constexpr std::array<const char*, kModeItemCount> names{"Automatic1", "Manual1", "CPU12", "CPU1",
                                                          "Off1"};
  const std::array<QString, kModeItemCount> captions{
      QStringLiteral("Automatic"), QStringLiteral("Manual"), QStringLiteral("CPU1"),
      QStringLiteral("CPU2"), QStringLiteral("Off")};
  for (int mode = 0; mode < kModeItemCount; ++mode) {
    QAction* item = AddMenuItem(Mode1, names[mode], captions[mode]);
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, mode] { ModeItemClick(mode); });
    modeItems_[mode] = item;
  }
  SyncModeChecks(program_.Mode());

  PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N2"));
  connect(AddMenuItem(PopupMenu2, "Donation1", QStringLiteral("Donation")), &QAction::triggered,
          this, &TForm1::Donation1Click);
  PopupMenu2->addSeparator()->setObjectName(QStringLiteral("N4"));
  connect(AddMenuItem(PopupMenu2, "Exit1", QStringLiteral("Exit")), &QAction::triggered, this,
          &TForm1::Exit1Click);
}

void TForm1::BuildListMenus() {
  PopupMenu3 = new QMenu(this);
  PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
  connect(AddMenuItem(PopupMenu3, "Delete1", QStringLiteral("Delete")), &QAction::triggered, this,
          &TForm1::Delete1Click);
  connect(ListBox1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu3->popup(ListBox1->viewport()->mapToGlobal(at)); });

  PopupMenu4 = new QMenu(this);
  PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
  connect(AddMenuItem(PopupMenu4, "Delete2", QStringLiteral("Delete")), &QAction::triggered, this,
          &TForm1::Delete2Click);
  connect(ListBox2, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu4->popup(ListBox2->viewport()->mapToGlobal(at)); });
}

void TForm1::SyncModeChecks(int index) {
  for (int mode = 0; mode < kModeItemCount; ++mode) modeItems_[mode]->setChecked(mode == index);
}

}  // namespace mervale
