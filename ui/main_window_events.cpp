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

#include "ui/main_window.h"
#include "ui/error_box.h"
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

void TForm1::SetDonationWindow(QWidget* form14) {
  form14_ = form14;
}

void TForm1::SetOptionsWindow(TForm2* form2) {
  form2_ = form2;
}

void TForm1::SetAboutWindow(QWidget* infoForm) {
  infoForm_ = infoForm;
}

void TForm1::Timer1Timer() {
  RunGuarded(this, [this] { program_.RefreshProcesses(); });
}

void TForm1::Timer2Timer() {
  Timer2->stop();
  if (program_.GetOptions().startMinimized) hide();
}

void TForm1::ListView1ColumnClick(int column) {
  program_.Engine().Table().ColumnClick(column);
}

void TForm1::ListView1KeyUp(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_A && CommandModifiers(modifiers) == Qt::ControlModifier)
    ListView1->selectAll();
}

void TForm1::ListBox1KeyUp(int key, Qt::KeyboardModifiers modifiers) {
  if (key == Qt::Key_A && CommandModifiers(modifiers) == Qt::ControlModifier) ListBox1->selectAll();
  if (key == Qt::Key_Delete) Delete1Click();
}

void TForm1::RadioGroup1Click(int index) {
  RunGuarded(this, [this, index] { program_.SelectMode(index); });
}

void TForm1::ComboBox1Change(int index) {
  RunGuarded(this, [this, index] { program_.ComboBox1Change(index); });
}

void TForm1::SetEntryClick(int entry) {
  RunGuarded(this, [this, entry] { program_.RunSetEntry(entry); });
}

void TForm1::Isolate1Click() {
  RunGuarded(this, [this] { program_.Isolate1Click(); });
}

void TForm1::Exclude1Click() {
  RunGuarded(this, [this] { program_.Exclude1Click(); });
}

void TForm1::Delete1Click() {
  const std::vector<int> lines = SelectedLines(ListBox1);
  RunGuarded(this, [this, &lines] { program_.Delete1Click(lines); });
}

void TForm1::Delete2Click() {
  const std::vector<int> lines = SelectedLines(ListBox2);
  RunGuarded(this, [this, &lines] { program_.Delete2Click(lines); });
}

void TForm1::Show1Click() {
  show();
}

void TForm1::ModeItemClick(int index) {
  RunGuarded(this, [this, index] { program_.SelectMode(index); });
  // Triggering a checkable item toggles its mark; the marks show the mode and nothing else.
  SyncModeChecks(program_.Mode());
}

void TForm1::Donation1Click() {
  ShowWindow(form14_);
}

void TForm1::Exit1Click() {
  close();
}

void TForm1::Button1Click() {
  ShowWindow(form2_);
}

void TForm1::Panel3Click() {
  ShowWindow(infoForm_);
}

void TForm1::Image1Click() {
  QDesktopServices::openUrl(QUrl(kBannerPage));
}

void TForm1::TrayDoubleClick() {
  setWindowState(windowState() & ~Qt::WindowMinimized);
  show();
#ifdef _WIN32
  ForceForeground(reinterpret_cast<HWND>(winId()));
#else
  raise();
  activateWindow();
#endif
}

void TForm1::TrayMenuRequested(const QPoint& globalPosition) {
  PopupMenu2->popup(globalPosition);
}

void TForm1::ShowWindow(QWidget* window) {
  if (!window) return;
  window->show();
  window->raise();
  window->activateWindow();
}

void TForm1::FormClose() {
  tray_->Remove();
  QCoreApplication::quit();
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose();
  QWidget::closeEvent(event);
}

void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
  // Minimising puts the window into the tray, and a double click on the icon brings it back as
  // it was. Without a tray there would be no way back, so then it minimises as usual.
  if (!TrayIcon::Available()) return;
  setWindowState(windowState() & ~Qt::WindowMinimized);
  hide();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat()) {
      if (watched == ListView1) ListView1KeyUp(key->key(), key->modifiers());
      if (watched == ListBox1) ListBox1KeyUp(key->key(), key->modifiers());
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace mervale
