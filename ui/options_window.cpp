// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/options_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <array>
#include <utility>

#include "ui/caption_board.h"
#include "ui/error_box.h"
#include "ui/program_text.h"
#include "ui/radio_group.h"
#include "ui/widget_names.h"
#include "ui/window_placement.h"

namespace mervale {
namespace {

// Five digits wide, by the room the style's frame takes around the text just as the field lays its
// text out: a theme whose frame takes more than a fixed allowance would otherwise leave the text
// no room at all, and the field would show neither text nor caret.
int FiveDigitsWide(const QLineEdit& field) {
  QStyleOptionFrame frame;
  frame.initFrom(&field);
  frame.rect.setWidth(1000);
  frame.lineWidth = field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, &field);
  const QRect text = field.style()->subElementRect(QStyle::SE_LineEditContents, &frame, &field);
  // The field's own margin on each side of the text, and the caret.
  constexpr int kFieldMargins = 2 * 2 + 1;
  return frame.rect.width() - text.width() + kFieldMargins +
         field.fontMetrics().horizontalAdvance(QStringLiteral("00000"));
}

// The cycle choice's items, in the order of CpuCycle.
constexpr std::array<AddedCaption, kCpuCycleCount> kCycleCaptions{
    AddedCaption::kTwoCpusChoice, AddedCaption::kFourCpusChoice,
    AddedCaption::kOneThreadPerCoreItem, AddedCaption::kAllCpusItem};

}  // namespace

OptionsWindow::OptionsWindow(Program& program, CaptionBoard& captions, QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Dialog), program_(program) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Options"));
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(526, 446);

  auto* optionsPanel = Named(new QWidget(this), "Panel1");
  autostart_ =
      Named(new QCheckBox(QStringLiteral("Autostart with windows"), optionsPanel), "CheckBox1");
  if (const std::optional<std::string> own = program_.OwnAutostartCaption())
    autostart_->setText(ProgramText(*own));
  startMinimized_ =
      Named(new QCheckBox(QStringLiteral("Start minimized"), optionsPanel), "CheckBox2");
  refreshLabel_ = Named(new QLabel(QStringLiteral("Refresh rate (s):"), optionsPanel), "Label1");
  refreshRate_ = Named(new QLineEdit(QStringLiteral("1"), optionsPanel), "Edit1");
  refreshRate_->setFixedWidth(FiveDigitsWide(*refreshRate_));
  refreshLabel_->setBuddy(refreshRate_);
  quadCore_ = Named(new QCheckBox(QStringLiteral("Quad core"), optionsPanel), "CheckBox3");
  cycleLabel_ = Named(new QLabel(optionsPanel), "CycleLabel");
  cycleChoice_ = Named(new QComboBox(optionsPanel), "CycleChoice");
  for (std::size_t i = 0; i < kCycleCaptions.size(); ++i) cycleChoice_->addItem(QString());
  cycleLabel_->setBuddy(cycleChoice_);
  addedCaptionsChanged();
  const bool offersCycleChoice = program_.OffersCycleChoice();
  quadCore_->setVisible(!offersCycleChoice);
  cycleLabel_->setVisible(offersCycleChoice);
  cycleChoice_->setVisible(offersCycleChoice);
  connect(autostart_, &QCheckBox::clicked, this, &OptionsWindow::onAutostartClicked);
  connect(startMinimized_, &QCheckBox::clicked, this, &OptionsWindow::onStartMinimizedClicked);
  connect(quadCore_, &QCheckBox::clicked, this, &OptionsWindow::onQuadCoreClicked);
  connect(cycleChoice_, &QComboBox::activated, this, &OptionsWindow::onCycleChosen);
  connect(refreshRate_, &QLineEdit::textChanged, this, &OptionsWindow::onRefreshRateEdited);

  auto* refresh = new QHBoxLayout;
  refresh->addWidget(refreshLabel_);
  refresh->addWidget(refreshRate_);
  refresh->addStretch();
  auto* options = new QVBoxLayout(optionsPanel);
  options->setContentsMargins(10, 8, 10, 8);
  options->addWidget(autostart_);
  options->addWidget(startMinimized_);
  options->addLayout(refresh);
  options->addSpacing(8);
  options->addWidget(quadCore_);
  auto* cycle = new QHBoxLayout;
  cycle->addWidget(cycleLabel_);
  cycle->addWidget(cycleChoice_);
  cycle->addStretch();
  options->addLayout(cycle);

  languageGroup_ =
      Named(new RadioGroup(QStringLiteral("Languages:"), RadioGroup::Body::Scrolling, this),
            "RadioGroup1");
  connect(languageGroup_, &RadioGroup::itemChosen, this, &OptionsWindow::onLanguageChosen);

  auto* buttonBar = Named(new QWidget(this), "Panel2");
  buttonBar->setFixedHeight(41);
  closeButton_ = Named(new QPushButton(QStringLiteral("Close"), buttonBar), "Button1");
  closeButton_->setMinimumWidth(75);
  connect(closeButton_, &QPushButton::clicked, this, &OptionsWindow::onCloseClicked);
  auto* buttons = new QHBoxLayout(buttonBar);
  buttons->setContentsMargins(10, 6, 10, 8);
  buttons->addWidget(closeButton_);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(optionsPanel);
  auto* languages = new QVBoxLayout;
  languages->setContentsMargins(10, 0, 10, 0);
  languages->addWidget(languageGroup_);
  layout->addLayout(languages, 1);
  layout->addWidget(buttonBar);

  for (const auto& [target, control] :
       {std::pair<CaptionTarget, QWidget*>{CaptionTarget::kAutostartBox, autostart_},
        {CaptionTarget::kStartMinimizedBox, startMinimized_},
        {CaptionTarget::kQuadCoreBox, quadCore_},
        {CaptionTarget::kRefreshRateLabel, refreshLabel_},
        {CaptionTarget::kCloseOptionsButton, closeButton_}}) {
    captions.bind(target, [control](const QString& text) { control->setProperty("text", text); });
  }
  captions.bindRefresher([this] {
    addedCaptionsChanged();
    markLanguageInUse();
  });

  CentreOnFirstShow(this, mainWindow);
  CloseOnEscape(this);
  fillLanguages();
}

// FormCreate
void OptionsWindow::fillLanguages() {
  RunGuarded(this, [this] {
    QStringList names;
    for (const std::string& name : program_.LanguageNames()) names << ProgramText(name);
    languageGroup_->setItems(names);
  });
  markLanguageInUse();
}

void OptionsWindow::markLanguageInUse() {
  languageGroup_->setItemIndex(
      languageGroup_->items().indexOf(ProgramText(program_.LanguageInUse())));
}

void OptionsWindow::showOptions(const Options& options) {
  const QSignalBlocker quietEdit(refreshRate_);
  autostart_->setChecked(options.autostart);
  startMinimized_->setChecked(options.startMinimized);
  quadCore_->setChecked(options.cycle == CpuCycle::kFourCpus);
  cycleChoice_->setCurrentIndex(static_cast<int>(options.cycle));
  const QString refreshText = ProgramText(options.refreshText);
  // Rewriting the same text would move the cursor while the user types.
  if (refreshRate_->text() != refreshText) refreshRate_->setText(refreshText);
}

void OptionsWindow::addedCaptionsChanged() {
  cycleLabel_->setText(ProgramText(program_.Caption(AddedCaption::kCycleLabel)));
  for (std::size_t i = 0; i < kCycleCaptions.size(); ++i) {
    cycleChoice_->setItemText(static_cast<int>(i),
                              ProgramText(program_.Caption(kCycleCaptions[i])));
  }
}

// CheckBox1Click
void OptionsWindow::onAutostartClicked(bool checked) {
  RunGuarded(this, [this, checked] { program_.SetAutostart(checked); });
}

// CheckBox2Click
void OptionsWindow::onStartMinimizedClicked(bool checked) {
  RunGuarded(this, [this, checked] { program_.SetStartMinimized(checked); });
}

// CheckBox3Click
void OptionsWindow::onQuadCoreClicked(bool checked) {
  RunGuarded(this, [this, checked] { program_.SetQuadCore(checked); });
}

void OptionsWindow::onCycleChosen(int index) {
  if (index < 0 || index >= kCpuCycleCount) return;
  RunGuarded(this, [this, index] { program_.SetCpuCycle(static_cast<CpuCycle>(index)); });
}

// Edit1Change
void OptionsWindow::onRefreshRateEdited(const QString& text) {
  RunGuarded(this, [this, &text] { program_.SetRefreshText(ProgramText(text)); });
}

// RadioGroup1Click
void OptionsWindow::onLanguageChosen(int index) {
  const QStringList names = languageGroup_->items();
  if (index < 0 || index >= names.size()) return;
  RunGuarded(this, [this, &names, index] { program_.SelectLanguage(ProgramText(names[index])); });
}

// Button1Click
void OptionsWindow::onCloseClicked() {
  close();
}

}  // namespace mervale
