// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/caption_board.h"

#include <QAction>

#include <utility>

namespace mervale {

void CaptionBoard::bind(CaptionTarget target, Setter setter) {
  setters_[target] = std::move(setter);
}

void CaptionBoard::bindMenuItem(CaptionTarget target, QAction* item) {
  bind(target, [item](const QString& caption) { SetMenuItem(item, caption); });
}

void CaptionBoard::SetMenuItem(QAction* item, const QString& caption) {
  const bool separator = caption == QLatin1String("-");
  item->setSeparator(separator);
  // Some styles write a separator's text into its line.
  item->setText(separator ? QString() : caption);
}

void CaptionBoard::bindRefresher(std::function<void()> refresher) {
  refreshers_.push_back(std::move(refresher));
}

void CaptionBoard::bindComposedItem(QAction* item, std::function<QString()> caption) {
  item->setText(caption());
  bindRefresher([item, caption = std::move(caption)] { item->setText(caption()); });
}

void CaptionBoard::set(CaptionTarget target, const QString& caption) const {
  if (const auto found = setters_.find(target); found != setters_.end()) found->second(caption);
}

void CaptionBoard::refresh() const {
  for (const auto& refresher : refreshers_) refresher();
}

}  // namespace mervale
