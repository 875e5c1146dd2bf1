// Any bytes as the settings file: read, write, read again. The record written is exactly the first
// eight bytes read (nothing the program does not understand is lost), and reads the same again.

#include <cstddef>
#include <cstdint>

#include "store/settings_file.h"
#include "tests/fuzz/fuzz_check.h"

using namespace truco;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const auto first = DecodeSettingsFile(bytes);
  FUZZ_CHECK(first.has_value() == (bytes.size() >= kSettingsRecordSize));
  if (!first) return 0;
  const QByteArray written = EncodeSettingsFile(*first);
  FUZZ_CHECK(written.size() == kSettingsRecordSize);
  FUZZ_CHECK(QByteArrayView(written) == bytes.first(kSettingsRecordSize));
  const auto second = DecodeSettingsFile(written);
  FUZZ_CHECK(second.has_value());
  FUZZ_CHECK(*second == *first);
  return 0;
}
