// Any byte stream from a peer, arriving in pieces of any size: the framer hands out exactly the
// complete lines up to the first one over the limit and then fails for good, never holds more
// than one line's bytes, and every line is decoded or ignored by both sides. A decoded message
// encodes to one line within the limit that decodes to the same message again.
//
// Input: byte 0 picks the reader's side (bit 0) and seeds the piece sizes; the rest is the stream.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "net/wire/protocol.h"
#include "tests/fuzz/fuzz_check.h"

using namespace truco::net;

namespace {

void CheckMessage(const std::string& line, Side reader) {
  const auto message = Decode(line, reader);
  if (!message) return;
  const std::string wire = Encode(*message);
  FUZZ_CHECK(wire.find(kLineFeed) == std::string::npos);
  FUZZ_CHECK(wire.size() <= kMaxLineBytes);
  FUZZ_CHECK(EncodeLine(*message) == wire + kLineFeed);
  const auto again = Decode(wire, reader);
  FUZZ_CHECK(again.has_value());
  FUZZ_CHECK(Encode(*again) == wire);
  // Text fields lose their carriage returns on the way out; everything else comes back as is.
  if (line.find('\r') == std::string::npos) FUZZ_CHECK(*again == *message);
}

// The lines a well-behaved framer yields from the whole stream, and whether it must fail.
struct Expected {
  std::vector<std::string_view> lines;
  bool too_long = false;
  std::size_t tail = 0;
};

Expected Reference(std::string_view stream) {
  Expected e;
  std::size_t start = 0;
  for (;;) {
    const std::size_t feed = stream.find(kLineFeed, start);
    const std::size_t length = (feed == std::string_view::npos ? stream.size() : feed) - start;
    if (length > kMaxLineBytes) {
      e.too_long = true;
      return e;
    }
    if (feed == std::string_view::npos) {
      e.tail = length;
      return e;
    }
    e.lines.push_back(stream.substr(start, length));
    start = feed + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const Side reader = (data[0] & 1) ? Side::Guest : Side::Host;
  std::uint32_t state = data[0] * 2654435761u + static_cast<std::uint32_t>(size);
  const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
  const Expected expected = Reference(stream);

  LineFramer framer;
  std::size_t fed = 0;
  std::size_t handed_out = 0;
  bool failed = false;
  std::string line;
  while (fed < stream.size()) {
    state = state * 1103515245u + 12345u;
    // Mostly small pieces, now and then a large one, as a socket delivers them.
    const std::size_t piece =
        (state >> 16) % 8 == 0 ? (state >> 8) % 9000 + 1 : (state >> 16) % 64 + 1;
    const std::size_t n = std::min(piece, stream.size() - fed);
    framer.Feed(stream.substr(fed, n));
    fed += n;
    for (;;) {
      const auto status = framer.Next(line);
      if (status == LineFramer::Status::NeedMore) {
        FUZZ_CHECK(!failed);
        FUZZ_CHECK(framer.Pending() <= kMaxLineBytes);
        break;
      }
      if (status == LineFramer::Status::TooLong) {
        FUZZ_CHECK(expected.too_long);
        FUZZ_CHECK(framer.Failed());
        FUZZ_CHECK(framer.Pending() == 0);
        failed = true;
        break;
      }
      FUZZ_CHECK(!failed);
      FUZZ_CHECK(handed_out < expected.lines.size());
      FUZZ_CHECK(line == expected.lines[handed_out]);
      ++handed_out;
      CheckMessage(line, reader);
      CheckMessage(line, reader == Side::Host ? Side::Guest : Side::Host);
      ParsePort(line);
    }
  }
  // Every complete line was handed out, unless the stream broke the limit first.
  if (expected.too_long) {
    FUZZ_CHECK(failed);
    FUZZ_CHECK(handed_out == expected.lines.size());
  } else {
    FUZZ_CHECK(!failed);
    FUZZ_CHECK(handed_out == expected.lines.size());
    FUZZ_CHECK(framer.Pending() == expected.tail);
  }
  framer.Reset();
  FUZZ_CHECK(!framer.Failed() && framer.Pending() == 0);
  return 0;
}
