// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace mervale {

class BevelPanel;

// TForm14 (Form14): the donation window: a short request and two buttons that open donation pages
// in the browser. Its texts are always in English. Closing it only hides it.
class DonationWindow : public QWidget {
  Q_OBJECT

 public:
  // A dialog of `mainWindow`, which it first opens centred over (the screen when there is none):
  // it stays above it and has no taskbar entry of its own.
  explicit DonationWindow(QWidget* mainWindow = nullptr);

  void onPaypalClicked();    // Button1Click
  void onWishListClicked();  // Button2Click
  void onCloseClicked();     // Button3Click

 private:
  QPlainTextEdit* request_;      // Memo1
  BevelPanel* buttonBar_;        // Panel1
  QPushButton* paypalButton_;    // Button1
  QPushButton* wishListButton_;  // Button2
  QPushButton* closeButton_;     // Button3
};

}  // namespace mervale
