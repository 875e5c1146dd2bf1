#include "store/codepage.h"

#include <array>

namespace truco {

namespace {

// The code page differs from Latin-1 only in 0x80..0x9F. Its five undefined bytes (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) stand for their own code points, as Windows itself reads them, so every
// byte survives a round trip. Held here rather than asked of the toolkit, whose converters
// depend on how it was built.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};
constexpr unsigned kHighFirst = 0x80;

char16_t CharOf(unsigned char byte) {
  if (byte >= kHighFirst && byte < kHighFirst + kHighControls.size()) {
    return kHighControls[byte - kHighFirst];
  }
  return byte;
}

// The byte of `c`, or -1 when the code page has none.
int ByteOf(char16_t c) {
  if (c < kHighFirst || (c >= kHighFirst + kHighControls.size() && c < 0x100)) return c;
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == c) return static_cast<int>(kHighFirst + i);
  }
  return -1;
}

}  // namespace

QString DecodeWindows1252(QByteArrayView bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    text[i] = QChar(CharOf(static_cast<unsigned char>(bytes[i])));
  }
  return text;
}

QByteArray EncodeWindows1252(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    // A character outside the basic plane is one '?', not two.
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;
      out.append('?');
      continue;
    }
    const int byte = ByteOf(text.at(i).unicode());
    out.append(byte < 0 ? '?' : static_cast<char>(byte));
  }
  return out;
}

}  // namespace truco
