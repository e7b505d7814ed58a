#pragma once

#include <QPointer>
#include <QWidget>

#include "engine/program.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mervale {

class RadioGroup;

// The Options window: autostart, start minimised, refresh rate, quad core and the language. Every
// change takes effect and is saved at once; closing the window only hides it.
class TForm2 : public QWidget {
  Q_OBJECT

 public:
  // `mainForm` is the window it first opens centred over. The creation step (FormCreate) fills the
  // language list.
  TForm2(Program& program, QWidget* mainForm);

  // The program's options, shown without running any reaction.
  void ShowOptions(const Options& options);
  void SetCaption(CaptionTarget target, const QString& caption);

  void CheckBox1Click(bool checked);
  void CheckBox2Click(bool checked);
  void CheckBox3Click(bool checked);
  void Edit1Change(const QString& text);
  void RadioGroup1Click(int index);
  void Button1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormCreate();

  Program& program_;
  QPointer<QWidget> mainForm_;
  bool placed_ = false;

  QWidget* Panel1;
  QCheckBox* CheckBox1;
  QCheckBox* CheckBox2;
  QLabel* Label1;
  QLineEdit* Edit1;
  QCheckBox* CheckBox3;
  RadioGroup* RadioGroup1;
  QWidget* Panel2;
  QPushButton* Button1;
};

}  // namespace mervale
