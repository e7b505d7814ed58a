#include "store/file_bytes.h"

#include "store/error.h"
#include "store/system/temporary_file.h"

namespace mervale {

void ReplaceFileBytes(const std::string& path, std::string_view bytes) {
  TemporaryFile temporary(path);
  if (!temporary.WriteAll(bytes) || !temporary.FlushAndClose()) throw Error(kStreamWriteErrorText);
  temporary.RenameOverTarget();
}

}  // namespace mervale
