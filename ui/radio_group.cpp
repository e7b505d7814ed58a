// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace mervale {

RadioGroup::RadioGroup(const QString& caption, Body body, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  auto* outer = new QVBoxLayout(this);
  QWidget* column = this;
  if (body == Body::Scrolling) {
    // A long list of items scrolls inside the group instead of stretching the window.
    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);  // the Tab key goes to the items, which it scrolls to
    scroller->setWidgetResizable(true);
    column = new QWidget(scroller);
    column->setAutoFillBackground(false);
    scroller->setWidget(column);
    scroller->viewport()->setAutoFillBackground(false);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->addWidget(scroller);
    column_ = new QVBoxLayout(column);
  } else {
    column_ = outer;
  }
  column_->setSpacing(2);
  column_->addStretch();
  connect(buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked && !settingIndex_) emit itemChosen(id);
  });
}

void RadioGroup::setItems(const QStringList& captions) {
  for (QAbstractButton* button : buttons_->buttons()) {
    buttons_->removeButton(button);
    delete button;
  }
  QWidget* column = column_->parentWidget();
  for (int i = 0; i < captions.size(); ++i) {
    auto* button = new QRadioButton(captions[i], column);
    buttons_->addButton(button, i);
    column_->insertWidget(i, button);
  }
}

QStringList RadioGroup::items() const {
  QStringList captions;
  for (QAbstractButton* button : buttons_->buttons()) captions << button->text();
  return captions;
}

int RadioGroup::itemIndex() const {
  return buttons_->checkedId();
}

void RadioGroup::setItemIndex(int index) {
  settingIndex_ = true;
  if (QAbstractButton* button = buttons_->button(index)) {
    button->setChecked(true);
  } else if (QAbstractButton* checked = buttons_->checkedButton()) {
    // An exclusive group refuses to uncheck its last checked button.
    buttons_->setExclusive(false);
    checked->setChecked(false);
    buttons_->setExclusive(true);
  }
  settingIndex_ = false;
}

QAbstractButton* RadioGroup::button(int index) const {
  return buttons_->button(index);
}

}  // namespace mervale
