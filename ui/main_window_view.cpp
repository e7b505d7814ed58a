#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <utility>

#include "store/excerpt.h"
#include "ui/click_label.h"
#include "ui/main_window.h"
#include "ui/options_window.h"
#include "ui/process_table_model.h"
#include "ui/profile_combo_box.h"
#include "ui/program_text.h"
#include "ui/radio_group.h"

namespace mervale {
namespace {

// Menu items whose captions come from the language, by object name.
constexpr std::pair<CaptionTarget, const char*> kMenuItems[] = {
    {CaptionTarget::kAllCpusMenu, "AllCPUs1"},
    {CaptionTarget::kCpu1Item, "CPU11"},
    {CaptionTarget::kCpu2Item, "CPU21"},
    {CaptionTarget::kCpu12Item, "CPU121"},
    {CaptionTarget::kProcessMenuSeparator, "N3"},
    {CaptionTarget::kAddToListMenu, "Addtolist1"},
    {CaptionTarget::kShowItem, "Show1"},
    {CaptionTarget::kTraySeparator1, "N1"},
    {CaptionTarget::kTrayModeMenu, "Mode1"},
    {CaptionTarget::kTraySeparator2, "N2"},
    {CaptionTarget::kDonationItem, "Donation1"},
    {CaptionTarget::kTraySeparator3, "N4"},
    {CaptionTarget::kExitItem, "Exit1"},
    {CaptionTarget::kDeleteProfileEntriesItem, "Delete1"},
    {CaptionTarget::kIsolateItem, "Isolate1"},
    {CaptionTarget::kExcludeItem, "Exclude1"},
    {CaptionTarget::kDeleteExclusionsItem, "Delete2"},
};

bool IsOptionsTarget(CaptionTarget target) {
  switch (target) {
    case CaptionTarget::kAutostartBox:
    case CaptionTarget::kStartMinimizedBox:
    case CaptionTarget::kQuadCoreBox:
    case CaptionTarget::kRefreshRateLabel:
    case CaptionTarget::kCloseOptionsButton:
      return true;
    default:
      return false;
  }
}

// A caption of "-" makes an item a separator line; any other text makes it an ordinary item.
void SetMenuCaption(QAction* item, const QString& caption) {
  const bool separator = caption == QLatin1String("-");
  item->setSeparator(separator);
  // Some styles write a separator's text into its line.
  item->setText(separator ? QString() : caption);
}

}  // namespace

void MainWindow::ShowFailure() {
  // Refresh ticks go on while the box is open; one box says it all until it is closed.
  if (failureShown_) return;
  failureShown_ = true;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Mervale"), QStringLiteral("Failure"),
                  QMessageBox::Ok, this);
  box.exec();
  failureShown_ = false;
}

void MainWindow::ShowMode(std::optional<Mode> mode) {
  modeGroup_->setItemIndex(SettingsValueOf(mode));
  checkTrayMode(mode);
}

void MainWindow::ShowOptions(const Options& options) {
  if (optionsWindow_) optionsWindow_->showOptions(options);
}

void MainWindow::ShowProfileIndex(int index) {
  profileSelector_->showIndex(index);
}

// A list box lays out every item it shows, which for a megabyte line takes seconds and hundreds of
// megabytes; the program keeps the whole line, the box shows its excerpt.
void MainWindow::ShowProfileList(const LineList& entries) {
  profileList_->clear();
  for (const std::string& entry : entries) profileList_->addItem(ProgramText(Excerpt(entry)));
}

void MainWindow::ShowExclusionList(const LineList& names) {
  exclusionList_->clear();
  for (const std::string& name : names) exclusionList_->addItem(ProgramText(Excerpt(name)));
}

void MainWindow::SetRefreshInterval(int milliseconds) {
  if (milliseconds > 0) {
    refreshTimer_->start(milliseconds);
  } else {
    refreshTimer_->stop();
  }
}

void MainWindow::SetCaption(CaptionTarget target, const std::string& text) {
  const QString caption = ProgramText(text);
  if (IsOptionsTarget(target)) {
    if (optionsWindow_) optionsWindow_->setCaption(target, caption);
    return;
  }
  for (const auto& [item, name] : kMenuItems) {
    if (item != target) continue;
    if (auto* action = findChild<QAction*>(QString::fromLatin1(name)))
      SetMenuCaption(action, caption);
    return;
  }
  for (const ModeTraits& mode : kModes) {
    if (mode.trayCaptionTarget != target) continue;
    SetMenuCaption(trayModeActions_[static_cast<std::size_t>(mode.mode)], caption);
    return;
  }
  switch (target) {
    case CaptionTarget::kNameColumn:
      processModel_->setColumnCaption(kColumnName, caption);
      break;
    case CaptionTarget::kIdColumn:
      processModel_->setColumnCaption(kColumnId, caption);
      break;
    case CaptionTarget::kCpuColumn:
      processModel_->setColumnCaption(kColumnCpu, caption);
      break;
    case CaptionTarget::kModeGroupTitle:
      modeGroup_->setTitle(caption);
      break;
    case CaptionTarget::kProfileGroupTitle:
      profileSelectorGroup_->setTitle(caption);
      break;
    case CaptionTarget::kProfileSelectorText:
      profileSelector_->setText(caption);
      break;
    case CaptionTarget::kOptionsButton:
      optionsButton_->setText(caption);
      break;
    case CaptionTarget::kHeaderTitle:
      title_->setText(caption);
      break;
    case CaptionTarget::kAboutLink:
      aboutLink_->setText(caption);
      break;
    case CaptionTarget::kProfileTab:
      listTabs_->setTabText(listTabs_->indexOf(profilePage_), caption);
      break;
    case CaptionTarget::kExclusionTab:
      listTabs_->setTabText(listTabs_->indexOf(exclusionPage_), caption);
      break;
    default:
      // The mode items arrive through SetModeItems.
      break;
  }
}

void MainWindow::ExtraCaptionsChanged() {
  showMachineSets();
  if (optionsWindow_) optionsWindow_->extraCaptionsChanged();
}

void MainWindow::SetModeItems(const std::array<std::string, kModeItemCount>& captions) {
  QStringList items;
  for (const std::string& caption : captions) items << ProgramText(caption);
  modeGroup_->setItems(items);
}

}  // namespace mervale
