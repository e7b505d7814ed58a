#include "ui/window_set.h"

#include "ui/about_window.h"
#include "ui/donation_window.h"
#include "ui/main_window.h"
#include "ui/options_window.h"

namespace mervale {

WindowSet::WindowSet(ProcessPlatform& platform, SystemServices& system)
    : mainWindow_(std::make_unique<MainWindow>(platform, system)) {
  donationWindow_ = std::make_unique<DonationWindow>(mainWindow_.get());
  mainWindow_->setDonationWindow(donationWindow_.get());
  optionsWindow_ = std::make_unique<OptionsWindow>(mainWindow_->program(), mainWindow_.get());
  // Restoring the settings shows the options, so the Options window is wired before the About
  // window's creation restores them.
  mainWindow_->setOptionsWindow(optionsWindow_.get());
  Program& program = mainWindow_->program();
  aboutWindow_ = std::make_unique<AboutWindow>([&program] { program.LoadSettings(); });
  mainWindow_->setAboutWindow(aboutWindow_.get());
}

WindowSet::~WindowSet() = default;

void WindowSet::launch() {
  mainWindow_->show();
}

}  // namespace mervale
