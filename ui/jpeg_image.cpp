// SPDX-License-Identifier: GPL-3.0-or-later

#include "ui/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace mervale {
namespace {

// libjpeg reports fatal errors by calling error_exit, which by default ends the process; ours
// jumps back into DecodeJpeg instead.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf returnPoint;
};

[[noreturn]] void JumpBack(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(manager->returnPoint, 1);
}

// Counts warnings (level -1) as the default handler would, without printing anything.
void CountWarnings(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;
}

// Everything that must survive the longjmp lives outside the function that calls setjmp.
struct Decoder {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  QImage image;

  bool Run(const QByteArray& bytes) {
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = JumpBack;
    errors.base.emit_message = CountWarnings;
    if (setjmp(errors.returnPoint)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) return false;
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    if (image.isNull()) return false;
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
      jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    // A stream that ends early or carries damaged data only raises warnings (libjpeg fills the
    // gaps with grey); such a picture is not the one we asked for.
    return errors.base.num_warnings == 0;
  }
};

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
  if (bytes.isEmpty()) return {};
  Decoder decoder;
  const bool decoded = decoder.Run(bytes);
  jpeg_destroy_decompress(&decoder.info);
  return decoded ? decoder.image : QImage();
}

}  // namespace mervale
