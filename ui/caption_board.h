// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

#include <functional>
#include <map>
#include <vector>

#include "store/language_captions.h"

class QAction;

namespace mervale {

// The one way a language reaches the controls. Each window binds the controls it builds: a setter
// per caption line's target, and a refresher for the controls whose captions the program composes
// (the big machines' menus and choices). Targets nobody bound are left alone.
class CaptionBoard {
 public:
  using Setter = std::function<void(const QString& caption)>;

  void bind(CaptionTarget target, Setter setter);
  // A menu item; a caption of "-" makes it a separator line, any other text an ordinary item.
  void bindMenuItem(CaptionTarget target, QAction* item);
  static void SetMenuItem(QAction* item, const QString& caption);
  void bindRefresher(std::function<void()> refresher);
  // A menu item whose caption the program composes: set now and again with every language.
  void bindComposedItem(QAction* item, std::function<QString()> caption);

  void set(CaptionTarget target, const QString& caption) const;
  // A language was applied: every refresher runs, in the order bound.
  void refresh() const;

 private:
  std::map<CaptionTarget, Setter> setters_;
  std::vector<std::function<void()>> refreshers_;
};

}  // namespace mervale
