#include "ui/JpegImage.h"

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <memory>

namespace {

constexpr JDIMENSION MaxSide = 8192;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  bool truncated;
};

// libjpeg's default handler exits the process; return to decodeJpeg instead.
[[noreturn]] void errorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

// Warnings are not printed. A premature end of data only raises a warning
// and fills the rest with grey; such a picture counts as undecodable.
void emitMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0 && err->pub.msg_code == JWRN_JPEG_EOF) err->truncated = true;
}

}  // namespace

QImage decodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return {};
  // Everything that changes after setjmp lives behind this pointer, in memory
  // that a longjmp leaves intact.
  auto image = std::make_unique<QImage>();
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = errorExit;
  err.pub.emit_message = emitMessage;
  err.truncated = false;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return {};
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  if (!err.truncated && cinfo.output_components == 3 && cinfo.output_width <= MaxSide &&
      cinfo.output_height <= MaxSide) {
    *image = QImage(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
  }
  if (image->isNull()) {
    jpeg_destroy_decompress(&cinfo);
    return {};
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = image->scanLine(int(cinfo.output_scanline));
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
      jpeg_destroy_decompress(&cinfo);
      return {};
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  if (err.truncated) return {};
  return std::move(*image);
}
