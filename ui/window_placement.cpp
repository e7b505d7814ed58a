// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/window_placement.h"

#include <QEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QWidget>

namespace mervale {
namespace {

// Moves a top-level window so that its frame is centred on `area`.
void MoveCentredOn(QWidget* window, const QRect& area) {
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

// Watches the window for its first show, places it and goes.
class FirstShowCentring : public QObject {
 public:
  FirstShowCentring(QWidget* window, QWidget* owner) : QObject(window), owner_(owner) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // The show event comes before the window is mapped, so it never appears elsewhere first.
    if (event->type() == QEvent::Show) {
      auto* window = static_cast<QWidget*>(watched);
      MoveCentredOn(window,
                    owner_ ? owner_->frameGeometry() : window->screen()->availableGeometry());
      window->removeEventFilter(this);
      deleteLater();
    }
    return false;
  }

 private:
  QPointer<QWidget> owner_;
};

}  // namespace

void CentreOnFirstShow(QWidget* window, QWidget* owner) {
  new FirstShowCentring(window, owner);
}

void CloseOnEscape(QWidget* window) {
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
  QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

}  // namespace mervale
