#include "ui/jpegimage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <vector>

extern "C" {
#include <jpeglib.h>
}

namespace truco {
namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}

// Corrupt-data warnings are not for the player's console.
void OnMessage(j_common_ptr) {}

// Everything that libjpeg may longjmp out of lives here, with no local that has a destructor:
// the pixels go into the caller's buffer, so an error leaves nothing half-built behind.
bool DecodeRgb(const unsigned char* bytes, unsigned long size, std::vector<unsigned char>& pixels,
               int& width, int& height) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.output_message = OnMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes, size);
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      cinfo.image_width > static_cast<JDIMENSION>(kMaxJpegSide) ||
      cinfo.image_height > static_cast<JDIMENSION>(kMaxJpegSide)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  width = static_cast<int>(cinfo.output_width);
  height = static_cast<int>(cinfo.output_height);
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  pixels.assign(stride * static_cast<std::size_t>(height), 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return {};
  std::vector<unsigned char> pixels;
  int width = 0;
  int height = 0;
  if (!DecodeRgb(reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()), pixels, width, height)) {
    return {};
  }
  QImage image(width, height, QImage::Format_RGB888);
  if (image.isNull()) return {};
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    std::copy_n(pixels.data() + stride * static_cast<std::size_t>(y), stride, image.scanLine(y));
  }
  return image;
}

}  // namespace truco
