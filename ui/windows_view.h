// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QPointer>

#include "engine/program.h"

namespace mervale {

class CaptionBoard;
class MainWindow;
class OptionsWindow;
class ProgramTimers;
class TrayMenu;

// What the program shows, carried to the windows that show it. Until a window is attached, what
// would go to it is dropped; the captions go through the board, to whichever control bound them.
class WindowsView : public ProgramView {
 public:
  explicit WindowsView(const CaptionBoard& captions);

  void attach(MainWindow* mainWindow, TrayMenu* trayMenu, ProgramTimers* timers);
  void attach(OptionsWindow* optionsWindow);

  void ShowFailure() override;
  void ShowError(const std::string& text) override;
  void ShowMode(std::optional<Mode> mode) override;
  void ShowOptions(const Options& options) override;
  void ShowProfileIndex(int index) override;
  void ShowProfileList(const LineList& entries) override;
  void ShowExclusionList(const LineList& names) override;
  void SetRefreshInterval(int milliseconds) override;
  void SetCaption(CaptionTarget target, const std::string& text) override;
  void SetModeItems(const std::array<std::string, kModeItemCount>& captions) override;
  void AddedCaptionsChanged() override;

 private:
  const CaptionBoard& captions_;
  QPointer<MainWindow> mainWindow_;
  QPointer<TrayMenu> trayMenu_;
  QPointer<ProgramTimers> timers_;
  QPointer<OptionsWindow> optionsWindow_;
  bool failureShown_ = false;
};

}  // namespace mervale
