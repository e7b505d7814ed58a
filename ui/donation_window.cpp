// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/donation_window.h"

#include <QDesktopServices>
#include <QPlainTextEdit>
#include <QPushButton>
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

DonationWindow::DonationWindow(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("Form14"));
  setWindowTitle(QStringLiteral("Donation"));
  // Closing hides the window, which must not end the program while the main window sits in the
  // tray.
  setAttribute(Qt::WA_QuitOnClose, false);
  setFixedSize(382, 168);

  request_ = new QPlainTextEdit(this);
  request_->setObjectName(QStringLiteral("Memo1"));
  request_->setGeometry(0, 0, width(), 121);
  request_->setReadOnly(true);
  request_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  request_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  request_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  request_->setPlainText(
      QStringLiteral("Mervale is freeware, if you like the program or think it is useful to you, \n"
                     "please support me and the further development of Mervale. "));

  buttonBar_ = new BevelPanel(this);
  buttonBar_->setObjectName(QStringLiteral("Panel1"));
  buttonBar_->setGeometry(0, height() - 47, width(), 47);

  paypalButton_ = AddButton(QStringLiteral("Button1"), QStringLiteral("Paypal"), 8, buttonBar_);
  wishListButton_ = AddButton(QStringLiteral("Button2"), QStringLiteral("Amazon"), 144, buttonBar_);
  closeButton_ = AddButton(QStringLiteral("Button3"), QStringLiteral("Close"), 296, buttonBar_);
  connect(paypalButton_, &QPushButton::clicked, this, &DonationWindow::onPaypalClicked);
  connect(wishListButton_, &QPushButton::clicked, this, &DonationWindow::onWishListClicked);
  connect(closeButton_, &QPushButton::clicked, this, &DonationWindow::onCloseClicked);
  CentreOnFirstShow(this, mainWindow);
  CloseOnEscape(this);
}

// Button1Click
void DonationWindow::onPaypalClicked() {
  QDesktopServices::openUrl(QUrl(kPaypalPage));
}

// Button2Click
void DonationWindow::onWishListClicked() {
  QDesktopServices::openUrl(QUrl(kWishListPage));
}

// Button3Click
void DonationWindow::onCloseClicked() {
  close();
}

}  // namespace mervale
