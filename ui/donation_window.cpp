#include "ui/donation_window.h"

#include <QDesktopServices>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include "ui/bevel_panel.h"
#include "ui/window_placement.h"

namespace mervale {

namespace {

const QString kPaypalPage = QStringLiteral("https://mervale.example.org/donate/paypal");
const QString kWishListPage = QStringLiteral("https://mervale.example.org/donate/wishlist");

QPushButton* AddButton(const QString& name, const QString& caption, int left, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setGeometry(left, 16, 75, 25);
  return button;
}

}  // namespace

TForm14::TForm14(QWidget* mainForm)
    : QWidget(nullptr, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), mainForm_(mainForm) {
  setObjectName(QStringLiteral("Form14"));
  setWindowTitle(QStringLiteral("Donation"));
  // Closing hides the window, which must not end the program while the main window sits in the
  // tray.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(382, 168);

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setGeometry(0, 0, width(), 121);
  Memo1->setReadOnly(true);
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setPlainText(
      QStringLiteral("Mervale is freeware, if you like the program or think it is useful to you, \n"
                     "please support me and the further development of Mervale. "));

  Panel1 = new TBevelPanel(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setGeometry(0, height() - 47, width(), 47);

  Button1 = AddButton(QStringLiteral("Button1"), QStringLiteral("Paypal"), 8, Panel1);
  Button2 = AddButton(QStringLiteral("Button2"), QStringLiteral("Amazon"), 144, Panel1);
  Button3 = AddButton(QStringLiteral("Button3"), QStringLiteral("Close"), 296, Panel1);
  connect(Button1, &QPushButton::clicked, this, &TForm14::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm14::Button2Click);
  connect(Button3, &QPushButton::clicked, this, &TForm14::Button3Click);
}

void TForm14::Button1Click() {
  QDesktopServices::openUrl(QUrl(kPaypalPage));
}

void TForm14::Button2Click() {
  QDesktopServices::openUrl(QUrl(kWishListPage));
}

void TForm14::Button3Click() {
  close();
}

void TForm14::showEvent(QShowEvent* event) {
  // Centred over the main window the first time; later it opens wherever it was left.
  if (!placed_) {
    placed_ = true;
    MoveCentredOn(this, mainForm_ ? mainForm_->frameGeometry() : screen()->availableGeometry());
  }
  QWidget::showEvent(event);
}

}  // namespace mervale
