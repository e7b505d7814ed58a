// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QWidget>

#include "engine/program.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mervale {

class CaptionBoard;
class RadioGroup;

// TForm2 (Form2): the Options window: autostart, start minimised, refresh rate, quad core (on
// machines with more than four CPUs, what mode Automatic cycles over) and the language. Every
// change takes effect and is saved at once; closing the window only hides it.
class OptionsWindow : public QWidget {
  Q_OBJECT

 public:
  // A dialog of `mainWindow`, which it first opens centred over: it stays above it and has no
  // taskbar entry of its own. Its creation fills the language list.
  OptionsWindow(Program& program, CaptionBoard& captions, QWidget* mainWindow);

  // The program's options, shown without running any reaction.
  void showOptions(const Options& options);
  // A language was applied: the cycle choice takes its captions from the program.
  void addedCaptionsChanged();

  void onAutostartClicked(bool checked);          // CheckBox1Click
  void onStartMinimizedClicked(bool checked);     // CheckBox2Click
  void onQuadCoreClicked(bool checked);           // CheckBox3Click
  void onCycleChosen(int index);                  // CycleChoice, chosen by the user
  void onRefreshRateEdited(const QString& text);  // Edit1Change
  void onLanguageChosen(int index);               // RadioGroup1Click
  void onCloseClicked();                          // Button1Click

 private:
  void fillLanguages();  // FormCreate
  void markLanguageInUse();

  Program& program_;

  QCheckBox* autostart_;       // CheckBox1
  QCheckBox* startMinimized_;  // CheckBox2
  QLabel* refreshLabel_;       // Label1
  QLineEdit* refreshRate_;     // Edit1
  QCheckBox* quadCore_;        // CheckBox3
  // In place of "Quad core" on machines with more than four CPUs.
  QLabel* cycleLabel_;         // CycleLabel
  QComboBox* cycleChoice_;     // CycleChoice
  RadioGroup* languageGroup_;  // RadioGroup1
  QPushButton* closeButton_;   // Button1
};

}  // namespace mervale
