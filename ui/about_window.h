#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;

namespace mervale {

class ClickLabel;
class TBevelPanel;
class TTextPanel;

// The About window: product name and version, logo, the endlessly scrolling credits and a link to
// the maker's web page. Closing it only hides it.
class TInfoForm : public QWidget {
  Q_OBJECT

 public:
  // `formCreate` is the program's work for the window's creation (it may be empty); it runs last,
  // once the window is complete, and an error in it ends only that work.
  explicit TInfoForm(std::function<void()> formCreate = {});

  void BitBtn1Click();
  void Label2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();

  std::function<void()> formCreate_;
  TBevelPanel* Panel1;
  QLabel* Image1;
  QLabel* Label5;
  TTextPanel* TextPanel1;
  QPushButton* BitBtn1;
  ClickLabel* Label2;
  bool placed_ = false;
};

}  // namespace mervale
