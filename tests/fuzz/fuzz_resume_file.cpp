// Any bytes as the host's resume file: the decoder never trusts them, and whatever it takes
// encodes to a file that decodes to the same again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/play/resume_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto record = truco::net::DecodeResumeFile(bytes);
  if (!record) return 0;
  const std::string text = truco::net::EncodeResumeFile(*record);
  const auto again = truco::net::DecodeResumeFile(text);
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(truco::net::EncodeResumeFile(*again) == text);
  return 0;
}
