#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <vector>

#include "ui/choose_cpus_dialog.h"
#include "ui/error_box.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/tray_icon.h"

#ifdef _WIN32
#include "ui/win32/force_foreground.h"
#endif

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

void MainWindow::setDonationWindow(QWidget* donationWindow) {
  donationWindow_ = donationWindow;
}

void MainWindow::setOptionsWindow(OptionsWindow* optionsWindow) {
  optionsWindow_ = optionsWindow;
}

void MainWindow::setAboutWindow(QWidget* aboutWindow) {
  aboutWindow_ = aboutWindow;
}

// Timer1Timer
void MainWindow::onRefreshTimer() {
  RunGuarded(this, [this] { program_.RefreshProcesses(); });
}

// Timer2Timer
void MainWindow::onStartupTimer() {
  startupTimer_->stop();
  if (!program_.GetOptions().startMinimized) return;
  // Hidden without a tray, the window could not be brought back, and only a kill would end the
  // program; then it starts minimised as usual, on the taskbar.
  if (TrayIcon::isAvailable()) {
    hide();
  } else {
    showMinimized();
  }
}

// ListView1ColumnClick
void MainWindow::onProcessColumnClicked(int column) {
  program_.Engine().Table().ColumnClick(column);
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

// RadioGroup1Click
void MainWindow::onModeChosen(int item) {
  RunGuarded(this, [this, item] { program_.SelectMode(ModeOfItem(item)); });
}

// ComboBox1Change
void MainWindow::onProfileChosen(int index) {
  RunGuarded(this, [this, index] { program_.SelectProfile(index); });
}

// CPU11Click ... N12342Click
void MainWindow::onSetEntryTriggered(int entry) {
  RunGuarded(this, [this, entry] { program_.RunSetEntry(entry); });
}

void MainWindow::onMachineSetTriggered(const CpuSet& set, bool addToList) {
  RunGuarded(this, [&] { program_.ApplySetToSelected(set, addToList); });
}

void MainWindow::onChooseCpusTriggered(bool addToList) {
  // Window-modal without a nested loop, so the refresh goes on while the user chooses.
  auto* dialog = new ChooseCpusDialog(program_, addToList, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

// Isolate1Click
void MainWindow::onIsolateTriggered() {
  RunGuarded(this, [this] { program_.IsolateSelected(); });
}

// Exclude1Click
void MainWindow::onExcludeTriggered() {
  RunGuarded(this, [this] { program_.ExcludeSelected(); });
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

// Show1Click
void MainWindow::onShowTriggered() {
  show();
}

// Automatic1Click, Manual1Click, CPU12Click, CPU1Click, Off1Click
void MainWindow::onTrayModeTriggered(Mode mode) {
  RunGuarded(this, [this, mode] { program_.SelectMode(mode); });
  // Triggering a checkable item toggles its mark; the marks show the mode and nothing else.
  checkTrayMode(program_.CurrentMode());
}

// Donation1Click
void MainWindow::onDonationTriggered() {
  bringUp(donationWindow_);
}

// Exit1Click
void MainWindow::onExitTriggered() {
  close();
}

// Button1Click
void MainWindow::onOptionsClicked() {
  bringUp(optionsWindow_);
}

// Panel3Click
void MainWindow::onAboutLinkClicked() {
  bringUp(aboutWindow_);
}

// Image1Click
void MainWindow::onBannerClicked() {
  QDesktopServices::openUrl(QUrl(kBannerPage));
}

// the tray icon's double click
void MainWindow::onTrayDoubleClicked() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
#ifdef _WIN32
  ForceForeground(reinterpret_cast<HWND>(winId()));
#else
  raise();
  activateWindow();
#endif
}

// the tray icon's menu request
void MainWindow::onTrayMenuRequested(const QPoint& globalPosition) {
  trayMenu_->popup(globalPosition);
}

void MainWindow::bringUp(QWidget* window) {
  if (!window) return;
  window->show();
  window->raise();
  window->activateWindow();
}

// FormClose
void MainWindow::endProgram() {
  trayIcon_->remove();
  QCoreApplication::quit();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  endProgram();
  QWidget::closeEvent(event);
}

void MainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  // Minimising puts the window into the tray, and a double click on the icon brings it back as
  // it was. Without a tray there would be no way back, so then it minimises as usual.
  if (!TrayIcon::isAvailable()) return;
  setWindowState(windowState() & ~Qt::WindowMinimized);
  hide();
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
  if (event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat()) {
      if (watched == processView_) onProcessViewKeyUp(key->key(), key->modifiers());
      if (watched == profileList_) onProfileListKeyUp(key->key(), key->modifiers());
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace mervale
