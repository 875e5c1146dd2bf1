#pragma once
// Decoding of the JPEG pictures the program carries (the splash), done with libjpeg so the
// program does not depend on which Qt image plugins a machine happens to have.

#include <QByteArray>
#include <QImage>

namespace truco {

// The largest picture we agree to decode; a header announcing more is treated as damaged.
inline constexpr int kMaxJpegSide = 8192;

// Decodes JPEG bytes into an RGB image. Damaged, truncated-header or foreign data gives a null
// image, never a crash; nothing is written to stderr.
QImage DecodeJpeg(const QByteArray& data);

}  // namespace truco
