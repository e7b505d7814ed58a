#pragma once

#include <memory>

namespace mervale {

class ProcessPlatform;
class SystemServices;
class MainWindow;
class DonationWindow;
class OptionsWindow;
class AboutWindow;

// The program's four windows, created hidden in their fixed order: the main window (which sets up
// the program's data), Donation, Options (its language list), About (which restores the settings).
// They live together until the set is destroyed.
class WindowSet {
 public:
  WindowSet(ProcessPlatform& platform, SystemServices& system);
  ~WindowSet();

  MainWindow& mainWindow() { return *mainWindow_; }
  DonationWindow& donationWindow() { return *donationWindow_; }
  OptionsWindow& optionsWindow() { return *optionsWindow_; }
  AboutWindow& aboutWindow() { return *aboutWindow_; }

  // The program's start: the main window alone comes up; the start-up tick minimises it when
  // "Start minimized" is set.
  void launch();

 private:
  std::unique_ptr<MainWindow> mainWindow_;
  std::unique_ptr<DonationWindow> donationWindow_;
  std::unique_ptr<OptionsWindow> optionsWindow_;
  std::unique_ptr<AboutWindow> aboutWindow_;
};

}  // namespace mervale
