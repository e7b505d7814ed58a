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
#include "ui/cpu.h"
#include "ui/ohu.h"
#include "ui/process_table_model.h"
#include "ui/profile_combo_box.h"
#include "ui/program_text.h"
#include "ui/radio_group.h"

namespace mervale {
namespace {

// Menu items whose captions come from the language, by object name.
constexpr std::pair<CaptionTarget, const char*> kMenuItems[] = {
    {CaptionTarget::kAllCPUs1, "AllCPUs1"},
    {CaptionTarget::kCPU11, "CPU11"},
    {CaptionTarget::kCPU21, "CPU21"},
    {CaptionTarget::kCPU121, "CPU121"},
    {CaptionTarget::kN3, "N3"},
    {CaptionTarget::kAddtolist1, "Addtolist1"},
    {CaptionTarget::kShow1, "Show1"},
    {CaptionTarget::kN1, "N1"},
    {CaptionTarget::kMode1, "Mode1"},
    {CaptionTarget::kAutomatic1, "Automatic1"},
    {CaptionTarget::kManual1, "Manual1"},
    {CaptionTarget::kCPU12, "CPU12"},
    {CaptionTarget::kCPU1, "CPU1"},
    {CaptionTarget::kOff1, "Off1"},
    {CaptionTarget::kN2, "N2"},
    {CaptionTarget::kDonation1, "Donation1"},
    {CaptionTarget::kN4, "N4"},
    {CaptionTarget::kExit1, "Exit1"},
    {CaptionTarget::kDelete1, "Delete1"},
    {CaptionTarget::kIsolate1, "Isolate1"},
    {CaptionTarget::kExclude1, "Exclude1"},
    {CaptionTarget::kDelete2, "Delete2"},
};

bool IsOptionsTarget(CaptionTarget target) {
  switch (target) {
    case CaptionTarget::kOptionsCheckBox1:
    case CaptionTarget::kOptionsCheckBox2:
    case CaptionTarget::kOptionsCheckBox3:
    case CaptionTarget::kOptionsLabel1:
    case CaptionTarget::kOptionsButton1:
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

void TForm1::ShowFailure() {
  // Refresh ticks go on while the box is open; one box says it all until it is closed.
  if (failureShown_) return;
  failureShown_ = true;
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Mervale"), QStringLiteral("Failure"),
                  QMessageBox::Ok, this);
  box.exec();
  failureShown_ = false;
}

void TForm1::ShowMode(int index) {
  RadioGroup1->SetItemIndex(index);
  SyncModeChecks(index);
}

void TForm1::ShowOptions(const Options& options) {
  if (form2_) form2_->ShowOptions(options);
}

void TForm1::ShowProfileIndex(int index) {
  ComboBox1->ShowIndex(index);
}

// A list box lays out every item it shows, which for a megabyte line takes seconds and hundreds of
// megabytes; the program keeps the whole line, the box shows its excerpt.
void TForm1::ShowProfileList(const LineList& entries) {
  ListBox1->clear();
  for (const std::string& entry : entries) ListBox1->addItem(ProgramText(Excerpt(entry)));
}

void TForm1::ShowExclusionList(const LineList& names) {
  ListBox2->clear();
  for (const std::string& name : names) ListBox2->addItem(ProgramText(Excerpt(name)));
}

void TForm1::SetRefreshInterval(int milliseconds) {
  if (milliseconds > 0) {
    Timer1->start(milliseconds);
  } else {
    Timer1->stop();
  }
}

void TForm1::SetCaption(CaptionTarget target, const std::string& text) {
  const QString caption = ProgramText(text);
  if (IsOptionsTarget(target)) {
    if (form2_) form2_->SetCaption(target, caption);
    return;
  }
  for (const auto& [item, name] : kMenuItems) {
    if (item != target) continue;
    if (auto* action = findChild<QAction*>(QString::fromLatin1(name)))
      SetMenuCaption(action, caption);
    return;
  }
  switch (target) {
    case CaptionTarget::kListView1Column1:
      model_->SetColumnCaption(kColumnName, caption);
      break;
    case CaptionTarget::kListView1Column2:
      model_->SetColumnCaption(kColumnId, caption);
      break;
    case CaptionTarget::kListView1Column3:
      model_->SetColumnCaption(kColumnCpu, caption);
      break;
    case CaptionTarget::kRadioGroup1:
      RadioGroup1->setTitle(caption);
      break;
    case CaptionTarget::kGroupBox4:
      GroupBox4->setTitle(caption);
      break;
    case CaptionTarget::kComboBox1Text:
      ComboBox1->SetText(caption);
      break;
    case CaptionTarget::kButton1:
      Button1->setText(caption);
      break;
    case CaptionTarget::kPanel2:
      Panel2->setText(caption);
      break;
    case CaptionTarget::kPanel3:
      Panel3->setText(caption);
      break;
    case CaptionTarget::kTabSheet1:
      PageControl1->setTabText(PageControl1->indexOf(TabSheet1), caption);
      break;
    case CaptionTarget::kTabSheet2:
      PageControl1->setTabText(PageControl1->indexOf(TabSheet2), caption);
      break;
    default:
      // The mode items arrive through SetModeItems.
      break;
  }
}

void TForm1::SetModeItems(const std::array<std::string, kModeItemCount>& captions) {
  QStringList items;
  for (const std::string& caption : captions) items << ProgramText(caption);
  RadioGroup1->SetItems(items);
}

}  // namespace mervale
