#include "ui/about_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <utility>

#include "ui/about_logo.h"
#include "ui/click_label.h"
#include "ui/error_box.h"
#include "ui/text_panel.h"
#include "ui/window_placement.h"

namespace mervale {

namespace {

const QString kMakerPage = QStringLiteral("https://mervale.example.org/");

QStringList CreditLines() {
  return {
      QStringLiteral("Mervale 2.1"),
      QString(),
      QStringLiteral("Made by the Mervale developers"),
      QStringLiteral("mervale.example.org"),
      QString(),
      QStringLiteral("Logo design"),
      QStringLiteral("design.mervale.example.org"),
      QString(),
      QString(),
      QString(),
      QStringLiteral("Translations by the Mervale community"),
      QString(),
      QString(),
      QString(),
      QString(),
      QString(),
      QString(),
  };
}

QFont PixelFont(const QString& family, int pixels) {
  QFont font(family);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  return font;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette colours = widget->palette();
  colours.setColor(QPalette::WindowText, colour);
  widget->setPalette(colours);
}

}  // namespace

TInfoForm::TInfoForm(std::function<void()> formCreate)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint),
      formCreate_(std::move(formCreate)) {
  setObjectName(QStringLiteral("InfoForm"));
  setWindowTitle(QStringLiteral("Info"));
  // Closing hides the window, which must not end the program while the main window sits in the
  // tray.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(293, 428);
  QPalette background = palette();
  background.setColor(QPalette::Window, QColor(128, 128, 128));
  setPalette(background);
  setAutoFillBackground(true);

  Panel1 = new TBevelPanel(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, 0, width(), 121);
  Panel1->SetColor(Qt::white);
  Panel1->SetBevelOuter(BevelCut::Space);
  Panel1->SetBorderStyle(PanelBorder::Single);

  Image1 = new QLabel(Panel1);
  Image1->setObjectName(QStringLiteral("Image1"));
  const int frame = Panel1->BevelWidth();
  Image1->setGeometry(Panel1->ClientRect().adjusted(frame, frame, -frame, -frame));
  Image1->setAlignment(Qt::AlignCenter);
  Image1->setPixmap(PaintAboutLogo());

  Label5 = new QLabel(QStringLiteral("Mervale 2.1"), this);
  Label5->setObjectName(QStringLiteral("Label5"));
  Label5->setGeometry(0, Panel1->geometry().bottom() + 1, width(), 37);
  Label5->setAlignment(Qt::AlignCenter);
  Label5->setFont(PixelFont(font().family(), 32));
  SetTextColour(Label5, Qt::white);

  TextPanel1 = new TTextPanel(this, QStringLiteral("TextPanel1"));
  TextPanel1->setGeometry(19, 176, 262, 193);
  TextPanel1->SetBevelOuter(BevelCut::None);
  TextPanel1->SetBorderStyle(PanelBorder::Single);
  TextPanel1->SetColor(Qt::white);
  TextPanel1->SetBiDiMode(PanelBiDi::RightToLeft);
  TextPanel1->SetTextFont({PixelFont(QStringLiteral("Arial"), 11), Qt::black});
  TextPanel1->SetInterval(40);
  TextPanel1->SetStepSize(1);
  TextPanel1->SetEnableTimer(true);
  TextPanel1->SetTextAlignment(LineAlignment::Center);
  TextPanel1->SetItems(CreditLines());

  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(120, 384, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &TInfoForm::BitBtn1Click);

  Label2 = new ClickLabel(this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setText(kMakerPage);
  // A link in plain text: it keeps the ordinary cursor.
  Label2->setCursor(Qt::ArrowCursor);
  Label2->setFont(PixelFont(font().family(), 12));
  SetTextColour(Label2, Qt::white);
  Label2->move(16, 413);
  Label2->adjustSize();
  connect(Label2, &ClickLabel::clicked, this, &TInfoForm::Label2Click);

  FormCreate();
}

void TInfoForm::FormCreate() {
  if (formCreate_) RunGuarded(this, formCreate_);
}

void TInfoForm::BitBtn1Click() {
  close();
}

void TInfoForm::Label2Click() {
  QDesktopServices::openUrl(QUrl(kMakerPage));
}

void TInfoForm::showEvent(QShowEvent* event) {
  // Centred on the screen the first time; later it opens wherever it was left.
  if (!placed_) {
    placed_ = true;
    MoveCentredOn(this, screen()->availableGeometry());
  }
  QWidget::showEvent(event);
}

}  // namespace mervale
