// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/file_bytes.h"

#include <QSaveFile>
#include <QString>

#include "store/error.h"
#include "store/system/save_target.h"

namespace mervale {

void ReplaceFileBytes(const std::string& path, std::string_view bytes) {
  const SaveTarget target(path);
  // Never written in place: a directory that takes no new file refuses the save instead.
  QSaveFile file(QString::fromStdString(target.SavePath()));
  file.setDirectWriteFallback(false);
  if (!file.open(QIODevice::WriteOnly)) ThrowCannotCreate(path, SaveTarget::LastError());
  target.Adopt(file.handle());
  const auto size = static_cast<qint64>(bytes.size());
  if (file.write(bytes.data(), size) != size || !file.flush()) throw Error(kStreamWriteErrorText);
  if (!file.commit()) {
    if (file.error() == QFileDevice::RenameError) ThrowCannotCreate(path, SaveTarget::LastError());
    throw Error(kStreamWriteErrorText);
  }
  target.Settle();
}

}  // namespace mervale
