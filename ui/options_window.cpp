#include "ui/options_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/error_box.h"
#include "ui/program_text.h"
#include "ui/radio_group.h"
#include "ui/window_placement.h"

namespace mervale {
namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

TForm2::TForm2(Program& program, QWidget* mainForm)
    : QWidget(nullptr, Qt::Window), program_(program), mainForm_(mainForm) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(QStringLiteral("Options"));
  setAttribute(Qt::WA_QuitOnClose, false);
  resize(526, 446);

  Panel1 = Named(new QWidget(this), "Panel1");
  CheckBox1 = Named(new QCheckBox(QStringLiteral("Autostart with windows"), Panel1), "CheckBox1");
  CheckBox2 = Named(new QCheckBox(QStringLiteral("Start minimized"), Panel1), "CheckBox2");
  Label1 = Named(new QLabel(QStringLiteral("Refresh rate (s):"), Panel1), "Label1");
  Edit1 = Named(new QLineEdit(QStringLiteral("1"), Panel1), "Edit1");
  Edit1->setFixedWidth(Edit1->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  Label1->setBuddy(Edit1);
  CheckBox3 = Named(new QCheckBox(QStringLiteral("Quad core"), Panel1), "CheckBox3");
  connect(CheckBox1, &QCheckBox::clicked, this, &TForm2::CheckBox1Click);
  connect(CheckBox2, &QCheckBox::clicked, this, &TForm2::CheckBox2Click);
  connect(CheckBox3, &QCheckBox::clicked, this, &TForm2::CheckBox3Click);
  connect(Edit1, &QLineEdit::textChanged, this, &TForm2::Edit1Change);

  auto* refresh = new QHBoxLayout;
  refresh->addWidget(Label1);
  refresh->addWidget(Edit1);
  refresh->addStretch();
  auto* options = new QVBoxLayout(Panel1);
  options->setContentsMargins(10, 8, 10, 8);
  options->addWidget(CheckBox1);
  options->addWidget(CheckBox2);
  options->addLayout(refresh);
  options->addSpacing(8);
  options->addWidget(CheckBox3);

  RadioGroup1 =
      Named(new RadioGroup(QStringLiteral("Languages:"), RadioGroup::Body::Scrolling, this),
            "RadioGroup1");
  connect(RadioGroup1, &RadioGroup::ItemChosen, this, &TForm2::RadioGroup1Click);

  Panel2 = Named(new QWidget(this), "Panel2");
  Panel2->setFixedHeight(41);
  Button1 = Named(new QPushButton(QStringLiteral("Close"), Panel2), "Button1");
  Button1->setMinimumWidth(75);
  connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  auto* buttons = new QHBoxLayout(Panel2);
  buttons->setContentsMargins(10, 6, 10, 8);
  buttons->addWidget(Button1);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  auto* languages = new QVBoxLayout;
  languages->setContentsMargins(10, 0, 10, 0);
  languages->addWidget(RadioGroup1);
  layout->addLayout(languages, 1);
  layout->addWidget(Panel2);

  FormCreate();
}

void TForm2::FormCreate() {
  RunGuarded(this, [this] {
    QStringList names;
    for (const std::string& name : program_.LanguageNames()) names << ProgramText(name);
    RadioGroup1->SetItems(names);
  });
}

void TForm2::ShowOptions(const Options& options) {
  const QSignalBlocker quietEdit(Edit1);
  CheckBox1->setChecked(options.autostart);
  CheckBox2->setChecked(options.startMinimized);
  CheckBox3->setChecked(options.quadCore);
  const QString refreshText = ProgramText(options.refreshText);
  // Rewriting the same text would move the cursor while the user types.
  if (Edit1->text() != refreshText) Edit1->setText(refreshText);
}

void TForm2::SetCaption(CaptionTarget target, const QString& caption) {
  switch (target) {
    case CaptionTarget::kOptionsCheckBox1:
      CheckBox1->setText(caption);
      break;
    case CaptionTarget::kOptionsCheckBox2:
      CheckBox2->setText(caption);
      break;
    case CaptionTarget::kOptionsCheckBox3:
      CheckBox3->setText(caption);
      break;
    case CaptionTarget::kOptionsLabel1:
      Label1->setText(caption);
      break;
    case CaptionTarget::kOptionsButton1:
      Button1->setText(caption);
      break;
    default:
      break;
  }
}

void TForm2::CheckBox1Click(bool checked) {
  RunGuarded(this, [this, checked] { program_.SetAutostart(checked); });
}

void TForm2::CheckBox2Click(bool checked) {
  RunGuarded(this, [this, checked] { program_.SetStartMinimized(checked); });
}

void TForm2::CheckBox3Click(bool checked) {
  RunGuarded(this, [this, checked] { program_.SetQuadCore(checked); });
}

void TForm2::Edit1Change(const QString& text) {
  RunGuarded(this, [this, &text] { program_.SetRefreshText(ProgramText(text)); });
}

void TForm2::RadioGroup1Click(int index) {
  const QStringList names = RadioGroup1->Items();
  if (index < 0 || index >= names.size()) return;
  RunGuarded(this, [this, &names, index] { program_.SelectLanguage(ProgramText(names[index])); });
}

void TForm2::Button1Click() {
  close();
}

void TForm2::showEvent(QShowEvent* event) {
  // Centred over the main window the first time; later it opens wherever it was left.
  if (!placed_) {
    placed_ = true;
    if (mainForm_) MoveCentredOn(this, mainForm_->frameGeometry());
  }
  QWidget::showEvent(event);
}

}  // namespace mervale
