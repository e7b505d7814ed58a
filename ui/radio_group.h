// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QGroupBox>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;
class QVBoxLayout;

namespace mervale {

// A captioned group of radio buttons, one column, addressed by item index; -1 means none is
// selected. Only the user's choice of another item is reported: setting the index from the
// program, or clicking the item that is already selected, reports nothing.
class RadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  enum class Body { Plain, Scrolling };
  explicit RadioGroup(const QString& caption, Body body = Body::Plain, QWidget* parent = nullptr);

  // Replaces the items; afterwards none is selected.
  void setItems(const QStringList& captions);
  QStringList items() const;
  int itemIndex() const;
  // Out-of-range indices select nothing.
  void setItemIndex(int index);
  // The radio button of an item, for keyboard focus and for tests that click it.
  QAbstractButton* button(int index) const;

 signals:
  void itemChosen(int index);

 private:
  QButtonGroup* buttons_;
  QVBoxLayout* column_;
  bool settingIndex_ = false;
};

}  // namespace mervale
