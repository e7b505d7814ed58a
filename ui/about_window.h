#pragma once

#include <QWidget>

#include <functional>

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
  // `creationWork` is the program's work for the window's creation (FormCreate; it may be empty);
  // it runs last, once the window is complete, and an error in it ends only that work.
  explicit AboutWindow(std::function<void()> creationWork = {});

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
