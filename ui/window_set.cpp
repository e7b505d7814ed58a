#include "ui/window_set.h"

#include "ui/main_window.h"
#include "ui/donation_window.h"
#include "ui/options_window.h"
#include "ui/about_window.h"

namespace mervale {

WindowSet::WindowSet(ProcessPlatform& platform, SystemServices& system)
    : form1_(std::make_unique<TForm1>(platform, system)) {
  form14_ = std::make_unique<TForm14>(form1_.get());
  form1_->SetDonationWindow(form14_.get());
  form2_ = std::make_unique<TForm2>(form1_->program(), form1_.get());
  // Restoring the settings shows the options, so the Options window is wired before the About
  // window's creation restores them.
  form1_->SetOptionsWindow(form2_.get());
  Program& program = form1_->program();
  infoForm_ = std::make_unique<TInfoForm>([&program] { program.LoadSettings(); });
  form1_->SetAboutWindow(infoForm_.get());
}

WindowSet::~WindowSet() = default;

}  // namespace mervale
