#pragma once

#include <QPointer>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace mervale {

class TBevelPanel;

// The donation window: a short request and two buttons that open donation pages in the browser.
// Its texts are always in English. Closing it only hides it.
class TForm14 : public QWidget {
  Q_OBJECT

 public:
  // `mainForm` is the window this one first opens centred over (the screen when there is none).
  explicit TForm14(QWidget* mainForm = nullptr);

  void Button1Click();
  void Button2Click();
  void Button3Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QPointer<QWidget> mainForm_;
  QPlainTextEdit* Memo1;
  TBevelPanel* Panel1;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* Button3;
  bool placed_ = false;
};

}  // namespace mervale
