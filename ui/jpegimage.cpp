#include "ui/jpegimage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "store/shared_library.h"

namespace truco {
namespace {

// libjpeg is opened for the one picture and closed after it: linked, the decoder's code stayed
// resident (0.5 MB) for the whole game after the splash had gone.
static_assert(JPEG_LIB_VERSION == 62, "the library opened below is the one this header is for");
constexpr char kJpegLibrary[] = "libjpeg.so.62";

struct Jpeg {
  decltype(&::jpeg_std_error) std_error = nullptr;
  decltype(&::jpeg_CreateDecompress) create_decompress = nullptr;
  decltype(&::jpeg_mem_src) mem_src = nullptr;
  decltype(&::jpeg_read_header) read_header = nullptr;
  decltype(&::jpeg_start_decompress) start_decompress = nullptr;
  decltype(&::jpeg_read_scanlines) read_scanlines = nullptr;
  decltype(&::jpeg_finish_decompress) finish_decompress = nullptr;
  decltype(&::jpeg_destroy_decompress) destroy_decompress = nullptr;
};

class OpenedJpeg {
 public:
  OpenedJpeg() : library_(kJpegLibrary) {
    library_.Find(api_.std_error, "jpeg_std_error");
    library_.Find(api_.create_decompress, "jpeg_CreateDecompress");
    library_.Find(api_.mem_src, "jpeg_mem_src");
    library_.Find(api_.read_header, "jpeg_read_header");
    library_.Find(api_.start_decompress, "jpeg_start_decompress");
    library_.Find(api_.read_scanlines, "jpeg_read_scanlines");
    library_.Find(api_.finish_decompress, "jpeg_finish_decompress");
    library_.Find(api_.destroy_decompress, "jpeg_destroy_decompress");
  }

  [[nodiscard]] const Jpeg* api() const { return library_.complete() ? &api_ : nullptr; }

 private:
  SharedLibrary library_;
  Jpeg api_;
};

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
bool DecodeRgb(const Jpeg& jpeg, const unsigned char* bytes, unsigned long size,
               std::vector<unsigned char>& pixels, int& width, int& height) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg.std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.output_message = OnMessage;
  if (setjmp(err.jump)) {
    jpeg.destroy_decompress(&cinfo);
    return false;
  }
  jpeg.create_decompress(&cinfo, JPEG_LIB_VERSION, sizeof cinfo);
  jpeg.mem_src(&cinfo, bytes, size);
  if (jpeg.read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg.destroy_decompress(&cinfo);
    return false;
  }
  if (cinfo.image_width == 0 || cinfo.image_height == 0 ||
      cinfo.image_width > static_cast<JDIMENSION>(kMaxJpegSide) ||
      cinfo.image_height > static_cast<JDIMENSION>(kMaxJpegSide)) {
    jpeg.destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg.start_decompress(&cinfo);
  if (cinfo.output_components != 3) {
    jpeg.destroy_decompress(&cinfo);
    return false;
  }
  width = static_cast<int>(cinfo.output_width);
  height = static_cast<int>(cinfo.output_height);
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  pixels.assign(stride * static_cast<std::size_t>(height), 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = pixels.data() + stride * cinfo.output_scanline;
    jpeg.read_scanlines(&cinfo, &row, 1);
  }
  jpeg.finish_decompress(&cinfo);
  jpeg.destroy_decompress(&cinfo);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return {};
  std::vector<unsigned char> pixels;
  int width = 0;
  int height = 0;
  const OpenedJpeg library;
  if (!library.api()) return {};
  if (!DecodeRgb(*library.api(), reinterpret_cast<const unsigned char*>(data.constData()),
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
