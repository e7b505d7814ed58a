// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/tray_menu.h"

#include <QActionGroup>

#include "engine/program.h"
#include "ui/caption_board.h"
#include "ui/error_box.h"
#include "ui/main_window.h"
#include "ui/program_text.h"
#include "ui/tray_icon.h"

namespace mervale {
namespace {

// The layout names of the mode items, in the order of kModes.
constexpr std::array<const char*, kModes.size()> kModeItemNames{"Automatic1", "Manual1", "CPU12",
                                                                "CPU1", "Off1"};

}  // namespace

TrayMenu::TrayMenu(Program& program, CaptionBoard& captions, MainWindow& mainWindow)
    : QMenu(&mainWindow), program_(program), mainWindow_(mainWindow) {
  setObjectName(QStringLiteral("PopupMenu2"));
  const auto bind = [&captions](CaptionTarget target, QAction* item) {
    captions.bindMenuItem(target, item);
    return item;
  };
  connect(bind(CaptionTarget::kShowItem, addItem(this, "Show1", QStringLiteral("Show"))),
          &QAction::triggered, this, &TrayMenu::onShowTriggered);
  bind(CaptionTarget::kTraySeparator1, addSeparator())->setObjectName(QStringLiteral("N1"));

  // Mode1
  QMenu* modeMenu = addMenu(QStringLiteral("Mode"));
  modeMenu->setObjectName(QStringLiteral("Mode1"));
  modeMenu->menuAction()->setObjectName(QStringLiteral("Mode1"));
  bind(CaptionTarget::kTrayModeMenu, modeMenu->menuAction());
  // Radio items: one mode is current at a time, and a tray host draws them as such.
  auto* modeGroup = new QActionGroup(modeMenu);
  for (const ModeTraits& mode : kModes) {
    const auto index = static_cast<std::size_t>(mode.mode);
    QAction* item = addItem(modeMenu, kModeItemNames[index], QString::fromLatin1(mode.trayCaption));
    item->setCheckable(true);
    modeGroup->addAction(item);
    connect(item, &QAction::triggered, this, [this, &mode] { onModeTriggered(mode.mode); });
    modeItems_[index] = item;
  }
  showMode(program_.CurrentMode());
  QAction* restoreAll = addItem(this, "RestoreAll1", QString());
  connect(restoreAll, &QAction::triggered, this, &TrayMenu::onRestoreAllTriggered);
  captions.bindComposedItem(restoreAll, [this] {
    return ProgramText(program_.Caption(AddedCaption::kRestoreAllCpusItem));
  });

  bind(CaptionTarget::kTraySeparator2, addSeparator())->setObjectName(QStringLiteral("N2"));
  connect(
      bind(CaptionTarget::kDonationItem, addItem(this, "Donation1", QStringLiteral("Donation"))),
      &QAction::triggered, this, &TrayMenu::donationRequested);
  bind(CaptionTarget::kTraySeparator3, addSeparator())->setObjectName(QStringLiteral("N4"));
  connect(bind(CaptionTarget::kExitItem, addItem(this, "Exit1", QStringLiteral("Exit"))),
          &QAction::triggered, &mainWindow_, &MainWindow::onExitTriggered);

  icon_ = new TrayIcon(this, this);
  connect(icon_, &TrayIcon::windowRequested, &mainWindow_, &MainWindow::onTrayDoubleClicked);
  connect(&mainWindow_, &MainWindow::closing, icon_, &TrayIcon::remove);
}

QAction* TrayMenu::addItem(QMenu* menu, const char* name, const QString& caption) {
  QAction* item = menu->addAction(caption);
  item->setObjectName(QString::fromLatin1(name));
  return item;
}

void TrayMenu::addIcon() {
  icon_->add();
}

void TrayMenu::showModeCaptions(const QStringList& captions) {
  for (std::size_t index = 0; index < modeItems_.size(); ++index)
    CaptionBoard::SetMenuItem(modeItems_[index], captions.value(qsizetype(index)));
}

void TrayMenu::showMode(std::optional<Mode> mode) {
  for (const ModeTraits& traits : kModes)
    modeItems_[static_cast<std::size_t>(traits.mode)]->setChecked(traits.mode == mode);
}

// Show1Click
void TrayMenu::onShowTriggered() {
  mainWindow_.showFromTray();
}

// Automatic1Click, Manual1Click, CPU12Click, CPU1Click, Off1Click
void TrayMenu::onModeTriggered(Mode mode) {
  RunGuarded(&mainWindow_, [this, mode] { program_.SelectMode(mode); });
  // Triggering a checkable item toggles its mark; the marks show the mode and nothing else.
  showMode(program_.CurrentMode());
}

void TrayMenu::onRestoreAllTriggered() {
  RunGuarded(&mainWindow_, [this] { program_.RestoreAll(); });
}

}  // namespace mervale
