// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/windows_view.h"

#include <QMessageBox>
#include <QTimer>

#include "ui/caption_board.h"
#include "ui/error_box.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/program_text.h"
#include "ui/program_timers.h"
#include "ui/tray_menu.h"

namespace mervale {

WindowsView::WindowsView(const CaptionBoard& captions) : captions_(captions) {}

void WindowsView::attach(MainWindow* mainWindow, TrayMenu* trayMenu, ProgramTimers* timers) {
  mainWindow_ = mainWindow;
  trayMenu_ = trayMenu;
  timers_ = timers;
}

void WindowsView::attach(OptionsWindow* optionsWindow) {
  optionsWindow_ = optionsWindow;
}

void WindowsView::ShowFailure() {
  // Refresh ticks go on while the box is open; one box says it all until it is closed.
  if (failureShown_) return;
  failureShown_ = true;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Mervale"), QStringLiteral("Failure"),
                  QMessageBox::Ok, mainWindow_);
  box.exec();
  failureShown_ = false;
}

void WindowsView::ShowError(const std::string& text) {
  // Shown from the event loop, so the box's own loop never runs inside the engine's pass.
  QTimer::singleShot(0, mainWindow_, [window = mainWindow_, text] { ShowErrorBox(window, text); });
}

void WindowsView::ShowMode(std::optional<Mode> mode) {
  if (mainWindow_) mainWindow_->showMode(mode);
  if (trayMenu_) trayMenu_->showMode(mode);
}

void WindowsView::ShowOptions(const Options& options) {
  if (optionsWindow_) optionsWindow_->showOptions(options);
}

void WindowsView::ShowProfileIndex(int index) {
  if (mainWindow_) mainWindow_->showProfileIndex(index);
}

void WindowsView::ShowProfileList(const LineList& entries) {
  if (mainWindow_) mainWindow_->showProfileList(entries);
}

void WindowsView::ShowExclusionList(const LineList& names) {
  if (mainWindow_) mainWindow_->showExclusionList(names);
}

void WindowsView::SetRefreshInterval(int milliseconds) {
  if (timers_) timers_->setRefreshInterval(milliseconds);
}

void WindowsView::SetCaption(CaptionTarget target, const std::string& text) {
  captions_.set(target, ProgramText(text));
}

void WindowsView::SetModeItems(const std::array<std::string, kModeItemCount>& captions) {
  QStringList items;
  for (const std::string& caption : captions) items << ProgramText(caption);
  if (mainWindow_) mainWindow_->showModeItems(items);
  if (trayMenu_) trayMenu_->showModeCaptions(items);
}

void WindowsView::AddedCaptionsChanged() {
  captions_.refresh();
}

}  // namespace mervale
