#include "ui/profile_combo_box.h"

#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace mervale {

ProfileComboBox::ProfileComboBox(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::currentIndexChanged, this, [this] {
    ownText_ = false;
    update();
  });
}

void ProfileComboBox::setText(const QString& text) {
  text_ = text;
  ownText_ = true;
  update();
}

void ProfileComboBox::showIndex(int index) {
  const QSignalBlocker quiet(this);
  setCurrentIndex(index);
  ownText_ = false;
  update();
}

QString ProfileComboBox::text() const {
  return ownText_ ? text_ : currentText();
}

void ProfileComboBox::paintEvent(QPaintEvent* event) {
  if (!ownText_) {
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
