// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace mervale {

class ClickLabel;
class BevelPanel;
class TextPanel;

// TInfoForm (InfoForm): the About window: product name and version, logo, the endlessly scrolling
// credits and a link to the maker's web page. Closing it only hides it.
class AboutWindow : public QWidget {
  Q_OBJECT

 public:
  // A dialog of `mainWindow`: it stays above it and has no taskbar entry of its own.
  explicit AboutWindow(QWidget* mainWindow = nullptr);

  void onOkClicked();         // BitBtn1Click
  void onMakerLinkClicked();  // Label2Click

 private:
  BevelPanel* logoPanel_;  // Panel1
  QLabel* logo_;           // Image1
  QLabel* productName_;    // Label5
  TextPanel* credits_;     // TextPanel1
  QPushButton* okButton_;  // BitBtn1
  ClickLabel* makerLink_;  // Label2
};

}  // namespace mervale
