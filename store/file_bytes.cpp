// SPDX-License-Identifier: GPL-3.0-or-later

#include "store/file_bytes.h"

#include <memory>

#include "store/error.h"
#include "store/system/temporary_file.h"

namespace mervale {

void ReplaceFileBytes(const std::string& path, std::string_view bytes) {
  const std::unique_ptr<TemporaryFile> temporary = NewTemporaryFile(path);
  if (!temporary->WriteAll(bytes) || !temporary->FlushAndClose()) {
    throw Error(kStreamWriteErrorText);
  }
  temporary->RenameOverTarget();
}

}  // namespace mervale
