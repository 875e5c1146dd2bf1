// Any lines from a peer in a proven deal (version 4): the reader takes each or refuses it with a
// reason, never holds more than one shuffle, and takes nothing after a refusal. Every message it
// gives back encodes to lines within the framing's limit that a fresh reader gives back the same.
//
// Input: byte 0 picks the parties (2 to 4) and the deck (24 or 40 cards); the rest is lines
// separated by line feeds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "net/proof/deal_wire.h"
#include "tests/fuzz/fuzz_check.h"

using namespace truco::proof;

namespace {

void CheckAgain(const HandShape& shape, const DealMessage& m) {
  const std::vector<std::string> lines = EncodeDeal(m, shape);
  FUZZ_CHECK(!lines.empty());
  DealWireReader fresh(shape);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    FUZZ_CHECK(lines[i].size() <= kWireLineBytes);
    FUZZ_CHECK(lines[i].find('\n') == std::string::npos);
    const WireItem item = fresh.Feed(lines[i]);
    if (i + 1 < lines.size()) {
      FUZZ_CHECK(std::holds_alternative<Pending>(item));
      continue;
    }
    const auto* again = std::get_if<DealMessage>(&item);
    FUZZ_CHECK(again != nullptr);
    FUZZ_CHECK(again->kind == m.kind && again->party == m.party && again->position == m.position &&
               again->card == m.card && again->points == m.points && again->proof == m.proof);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const HandShape shape{std::size_t{2} + data[0] % 3U,
                        (data[0] & 4U) != 0 ? std::size_t{24} : std::size_t{40}};
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  DealWireReader reader(shape);
  bool refused = false;
  std::size_t at = 0;
  while (at <= stream.size()) {
    const std::size_t feed = stream.find('\n', at);
    const std::string_view line =
        stream.substr(at, feed == std::string_view::npos ? std::string_view::npos : feed - at);
    at = feed == std::string_view::npos ? stream.size() + 1 : feed + 1;
    const WireItem item = reader.Feed(line);
    if (const auto* r = std::get_if<Refused>(&item)) {
      FUZZ_CHECK(!FaultText(r->fault).empty());
      FUZZ_CHECK(!refused || r->fault == WireFault::AfterFault);
      FUZZ_CHECK(!reader.Assembling());
      refused = true;
      continue;
    }
    FUZZ_CHECK(!refused);
    if (const auto* m = std::get_if<DealMessage>(&item)) {
      CheckAgain(shape, *m);
    } else if (const auto* play = std::get_if<FaceDown>(&item)) {
      FUZZ_CHECK(EncodeFaceDown(*play) == line);
    }
  }
  return 0;
}
