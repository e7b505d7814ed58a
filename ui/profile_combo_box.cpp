// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/profile_combo_box.h"

#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace mervale {

ProfileComboBox::ProfileComboBox(QWidget* parent) : QComboBox(parent) {}

void ProfileComboBox::setText(const QString& text) {
  text_ = text;
  update();
}

void ProfileComboBox::showIndex(int index) {
  const QSignalBlocker quiet(this);
  setCurrentIndex(index);
  update();
}

QString ProfileComboBox::text() const {
  return showsOwnText() ? text_ : currentText();
}

bool ProfileComboBox::showsOwnText() const {
  return !text_.isEmpty() && currentIndex() == 0;
}

void ProfileComboBox::paintEvent(QPaintEvent* event) {
  if (!showsOwnText()) {
    QComboBox::paintEvent(event);
    return;
  }
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText = text_;
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace mervale
