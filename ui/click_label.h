// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QLabel>

namespace mervale {

// A label that reports a left click, for the header's link and banner.
class ClickLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ClickLabel(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace mervale
