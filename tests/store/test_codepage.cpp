// Every Windows-1252 byte against the C library's own converter, and back.

#include <gtest/gtest.h>
#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstring>

#include "store/codepage.h"

namespace truco {
namespace {

// What the C library makes of one byte, as a UTF-32 code point; 0 when it calls it undefined.
char32_t LibraryDecode(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-32LE", "WINDOWS-1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char in[1] = {static_cast<char>(byte)};
  std::array<unsigned char, 8> out{};
  char* in_ptr = in;
  char* out_ptr = reinterpret_cast<char*>(out.data());
  std::size_t in_left = 1;
  std::size_t out_left = out.size();
  const std::size_t done = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1) || out.size() - out_left != 4) return 0;
  return static_cast<char32_t>(out[0] | out[1] << 8 | out[2] << 16 |
                               static_cast<std::uint32_t>(out[3]) << 24);
}

TEST(Codepage, EveryByteDecodesAsTheLibraryReadsItAndComesBackTheSame) {
  const iconv_t probe = iconv_open("UTF-32LE", "WINDOWS-1252");
  ASSERT_NE(probe, reinterpret_cast<iconv_t>(-1));
  iconv_close(probe);
  QByteArray all;
  for (int b = 0; b < 256; ++b) all.append(static_cast<char>(b));
  const QString text = DecodeWindows1252(all);
  ASSERT_EQ(text.size(), 256);
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    const char32_t expected = LibraryDecode(static_cast<unsigned char>(b));
    const char16_t got = text.at(b).unicode();
    if (expected == 0 && b != 0) {
      // Undefined by the code page: the byte stands for itself.
      ++undefined;
      EXPECT_EQ(got, b) << "byte " << b;
    } else {
      EXPECT_EQ(static_cast<char32_t>(got), expected) << "byte " << b;
    }
  }
  EXPECT_EQ(undefined, 5);
  EXPECT_EQ(EncodeWindows1252(text), all);
}

TEST(Codepage, CharactersOutsideTheCodePageBecomeOneQuestionMarkEach) {
  // U+0100 is not in the code page; U+1F0A1 takes two UTF-16 units.
  const QString text = QString::fromUtf8(
      "a\xC4\x80"
      "b\xF0\x9F\x82\xA1"
      "c\xC5\x93");
  EXPECT_EQ(EncodeWindows1252(text), QByteArray("a?b?c\x9C"));
}

}  // namespace
}  // namespace truco
