#pragma once
// The framing of the wire: every message is one line ended by a line feed, and a line longer than
// kMaxLineBytes breaks the stream for good. Pure C++ (no Qt) so it can be fuzzed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace truco::net {

inline constexpr std::size_t kMaxLineBytes = 4096;
inline constexpr char kLineFeed = '\n';

// Splits a byte stream into lines. Feed it what arrives; Next hands out each complete line in
// order and keeps an incomplete tail for the next Feed. A line (or a tail) longer than
// kMaxLineBytes makes it fail for good: the stream cannot be trusted to resynchronise.
class LineFramer {
 public:
  enum class Status : std::uint8_t { Line, NeedMore, TooLong };

  void Feed(std::string_view bytes);
  // Line: `line` holds the next line, without its line feed. NeedMore: wait for more bytes.
  // TooLong: the stream broke the limit; every later call says the same until Reset.
  Status Next(std::string& line);
  void Reset();

  // Bytes received but not yet handed out.
  [[nodiscard]] std::size_t Pending() const { return buffer_.size() - start_; }
  [[nodiscard]] std::string_view PendingBytes() const {
    return std::string_view(buffer_).substr(start_);
  }
  // Bytes kept in memory, handed out or not: once Next has said NeedMore, only the pending ones.
  [[nodiscard]] std::size_t Held() const { return buffer_.size(); }
  [[nodiscard]] bool Failed() const { return failed_; }

 private:
  std::string buffer_;
  std::size_t start_ = 0;    // first byte not yet handed out
  std::size_t scanned_ = 0;  // bytes from start_ already known to hold no line feed
  bool failed_ = false;
};

}  // namespace truco::net
