// SPDX-License-Identifier: GPL-3.0-or-later

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QTableView>
#include <QUrl>

#include <algorithm>
#include <vector>

#include "engine/program.h"
#include "ui/bring_to_front.h"
#include "ui/error_box.h"
#include "ui/main_window.h"
#include "ui/process_table_model.h"
#include "ui/tray_icon.h"

namespace mervale {
namespace {

const QString kBannerPage = QStringLiteral("https://mervale.example.org/");

// Key-up commands look at Shift, Ctrl and Alt only.
Qt::KeyboardModifiers CommandModifiers(Qt::KeyboardModifiers modifiers) {
  return modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
}

std::vector<int> SelectedLines(const QListWidget* list) {
  std::vector<int> lines;
  for (const QListWidgetItem* item : list->selectedItems()) lines.push_back(list->row(item));
  std::ranges::sort(lines);
  return lines;
}

}  // namespace

// ListView1ColumnClick
void MainWindow::onProcessColumnClicked(int column) {
  program_.SortProcessesBy(column);
  showSortIndicator();
}

void MainWindow::showSortIndicator() {
  const ProcessTable& table = program_.Processes();
  processView_->horizontalHeader()->setSortIndicator(
      table.SortColumn(), table.SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

// ListView1KeyUp
void MainWindow::onProcessViewKeyUp(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_A && CommandModifiers(modifiers) == Qt::ControlModifier)
    processView_->selectAll();
}

// ListBox1KeyUp
void MainWindow::onProfileListKeyUp(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_A && CommandModifiers(modifiers) == Qt::ControlModifier)
    profileList_->selectAll();
  if (key == Qt::Key_Delete) onDeleteProfileEntriesTriggered();
}

// ListBox2KeyUp
void MainWindow::onExclusionListKeyUp(int key) {
  if (key == Qt::Key_Delete) onDeleteExclusionsTriggered();
}

// RadioGroup1Click
void MainWindow::onModeChosen(int item) {
  RunGuarded(this, [this, item] { program_.SelectMode(ModeOfItem(item)); });
}

// ComboBox1Change
void MainWindow::onProfileChosen(int index) {
  RunGuarded(this, [this, index] { program_.SelectProfile(index); });
}

// Delete1Click
void MainWindow::onDeleteProfileEntriesTriggered() {
  const std::vector<int> lines = SelectedLines(profileList_);
  RunGuarded(this, [this, &lines] { program_.DeleteProfileEntries(lines); });
}

// Delete2Click
void MainWindow::onDeleteExclusionsTriggered() {
  const std::vector<int> lines = SelectedLines(exclusionList_);
  RunGuarded(this, [this, &lines] { program_.DeleteExclusions(lines); });
}

// Exit1Click
void MainWindow::onExitTriggered() {
  close();
}

// Button1Click
void MainWindow::onOptionsClicked() {
  emit optionsRequested();
}

// Panel3Click
void MainWindow::onAboutLinkClicked() {
  emit aboutRequested();
}

// Image1Click
void MainWindow::onBannerClicked() {
  QDesktopServices::openUrl(QUrl(kBannerPage));
}

// the tray icon's double click (or click)
void MainWindow::onTrayDoubleClicked() {
  bringForward();
}

void MainWindow::showFromTray() {
  // Leaving the minimised state maps the window at once; with show() in the same step, as
  // showNormal() does it, the window comes up once, in its place, size and maximised state.
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
}

void MainWindow::bringForward(const QByteArray& activationToken) {
  showFromTray();
  BringToFront(*this, activationToken);
}

// FormClose
void MainWindow::closeEvent(QCloseEvent* event) {
  emit closing();
  QCoreApplication::quit();
  QWidget::closeEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  // Minimising puts the window into the tray, and a double click on the icon brings it back as
  // it was. Without a tray there would be no way back, so then it minimises as usual.
  if (!TrayIcon::isAvailable()) return;
  // Hidden once the window system is done minimising, and still minimised while hidden: leaving
  // that state would ask it to map the window again, and on the way into the tray some window
  // managers then keep an empty frame on screen. showFromTray() leaves it.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (isMinimized()) hide();
      },
      Qt::QueuedConnection);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  RunGuarded(this, [this] { program_.SetTableShown(true); });
}

void MainWindow::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  program_.SetTableShown(false);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && watched == processView_)
    fitCpuColumn(0, processModel_->rowCount() - 1);
  if (event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat()) {
      if (watched == processView_) onProcessViewKeyUp(key->key(), key->modifiers());
      if (watched == profileList_) onProfileListKeyUp(key->key(), key->modifiers());
      if (watched == exclusionList_) onExclusionListKeyUp(key->key());
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace mervale
