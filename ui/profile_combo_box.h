// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QComboBox>

namespace mervale {

// The profile selector. A language sets its text without touching its entries or which entry is
// selected. That text names the first profile, so it stands in for the first entry only: whatever
// profile is active, the selector names it.
class ProfileComboBox : public QComboBox {
  Q_OBJECT

 public:
  explicit ProfileComboBox(QWidget* parent = nullptr);

  void setText(const QString& text);
  // Selects an entry for the program, without reporting it as the user's choice.
  void showIndex(int index);
  // What the closed selector shows.
  QString text() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool showsOwnText() const;

  QString text_;
};

}  // namespace mervale
