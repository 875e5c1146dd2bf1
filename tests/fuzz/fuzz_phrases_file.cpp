// Any bytes as the phrases file: read, write the phrases read back into it, read again; the second
// read equals the first and a second write changes nothing. Then five new phrases cut from the
// input are written and must read back as given.

#include <cstddef>
#include <cstdint>

#include "store/codepage.h"
#include "store/phrases_file.h"
#include "tests/fuzz/fuzz_check.h"

using namespace truco;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const Phrases first = DecodePhrasesFile(bytes);
  const QByteArray written = EncodePhrasesFile(bytes, first);
  const Phrases second = DecodePhrasesFile(written);
  FUZZ_CHECK(second == first);
  FUZZ_CHECK(EncodePhrasesFile(written, second) == written);

  // Phrases as a player could type them: up to 30 characters of the code page, no line breaks.
  Phrases typed;
  for (int k = 0; k < kNumPhrases; ++k) {
    const qsizetype at = std::min<qsizetype>(bytes.size(), k * 7);
    QString text = DecodeWindows1252(
        bytes.sliced(at).first(std::min<qsizetype>(bytes.size() - at, kPhraseMaxLength)));
    text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    typed[k] = text;
  }
  const QByteArray rewritten = EncodePhrasesFile(bytes, typed);
  FUZZ_CHECK(DecodePhrasesFile(rewritten) == typed);
  return 0;
}
