// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/error_box.h"

#include <QMessageBox>

#include "store/error.h"

namespace mervale {

void ShowErrorBox(QWidget* parent, const std::string& text) {
  QMessageBox::critical(parent, QStringLiteral("Mervale"),
                        QString::fromStdString(ErrorBoxText(text)));
}

}  // namespace mervale
