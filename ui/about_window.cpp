// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/about_window.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "ui/about_logo.h"
#include "ui/click_label.h"
#include "ui/pixel_font.h"
#include "ui/program_version.h"
#include "ui/text_panel.h"
#include "ui/window_placement.h"

namespace mervale {

namespace {

const QString kMakerPage = QStringLiteral("https://mervale.example.org/");

QString ProductName() {
  return QStringLiteral("Mervale ") + ProgramVersion();
}

QStringList CreditLines() {
  return {
      ProductName(),
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

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette colours = widget->palette();
  colours.setColor(QPalette::WindowText, colour);
  widget->setPalette(colours);
}

}  // namespace

AboutWindow::AboutWindow(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
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

  logoPanel_ = new BevelPanel(this);
  logoPanel_->setObjectName(QStringLiteral("Panel1"));
  logoPanel_->setGeometry(0, 0, width(), 121);
  logoPanel_->setColor(Qt::white);
  logoPanel_->setBevelOuter(BevelCut::Raised);
  logoPanel_->setBorderStyle(PanelBorder::Single);

  logo_ = new QLabel(logoPanel_);
  logo_->setObjectName(QStringLiteral("Image1"));
  const int frame = BevelPanel::kBevelWidth;
  logo_->setGeometry(logoPanel_->clientRect().adjusted(frame, frame, -frame, -frame));
  logo_->setAlignment(Qt::AlignCenter);
  logo_->setPixmap(PaintAboutLogo());

  productName_ = new QLabel(ProductName(), this);
  productName_->setObjectName(QStringLiteral("Label5"));
  productName_->setGeometry(0, logoPanel_->geometry().bottom() + 1, width(), 37);
  productName_->setAlignment(Qt::AlignCenter);
  productName_->setFont(PixelFont(QFont(font().family()), 32));
  SetTextColour(productName_, Qt::white);

  credits_ = new TextPanel(this, QStringLiteral("TextPanel1"));
  credits_->setGeometry(19, 176, 262, 193);
  credits_->setBevelOuter(BevelCut::None);
  credits_->setBorderStyle(PanelBorder::Single);
  credits_->setColor(Qt::white);
  credits_->setReadingOrder(ReadingOrder::RightToLeftMirrored);
  credits_->setTextFont({PixelFont(QFont(QStringLiteral("Arial")), 11), Qt::black});
  credits_->setInterval(40);
  credits_->setStepSize(1);
  credits_->setEnableTimer(true);
  credits_->setTextAlignment(LineAlignment::Center);
  credits_->setItems(CreditLines());

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("BitBtn1"));
  okButton_->setGeometry(120, 384, 75, 25);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &AboutWindow::onOkClicked);

  makerLink_ = new ClickLabel(this);
  makerLink_->setObjectName(QStringLiteral("Label2"));
  makerLink_->setText(kMakerPage);
  // A link in plain text: it keeps the ordinary cursor.
  makerLink_->setCursor(Qt::ArrowCursor);
  makerLink_->setFont(PixelFont(QFont(font().family()), 12));
  SetTextColour(makerLink_, Qt::white);
  makerLink_->move(16, 413);
  makerLink_->adjustSize();
  connect(makerLink_, &ClickLabel::clicked, this, &AboutWindow::onMakerLinkClicked);

  CentreOnFirstShow(this);
  CloseOnEscape(this);
}

// BitBtn1Click
void AboutWindow::onOkClicked() {
  close();
}

// Label2Click
void AboutWindow::onMakerLinkClicked() {
  QDesktopServices::openUrl(QUrl(kMakerPage));
}

}  // namespace mervale
