#include "net/wire/framing.h"

namespace truco::net {

void LineFramer::Feed(std::string_view bytes) {
  if (failed_) return;
  buffer_.append(bytes);
}

LineFramer::Status LineFramer::Next(std::string& line) {
  if (failed_) return Status::TooLong;
  const std::size_t feed = buffer_.find(kLineFeed, start_ + scanned_);
  if (feed == std::string::npos) {
    scanned_ = buffer_.size() - start_;
    if (scanned_ > kMaxLineBytes) {
      failed_ = true;
      buffer_.clear();
      start_ = scanned_ = 0;
      return Status::TooLong;
    }
    // Keep only the tail so the buffer never grows past one line.
    if (start_ > 0) {
      buffer_.erase(0, start_);
      start_ = 0;
    }
    return Status::NeedMore;
  }
  if (feed - start_ > kMaxLineBytes) {
    failed_ = true;
    buffer_.clear();
    start_ = scanned_ = 0;
    return Status::TooLong;
  }
  line.assign(buffer_, start_, feed - start_);
  start_ = feed + 1;
  scanned_ = 0;
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  return Status::Line;
}

void LineFramer::Reset() {
  buffer_.clear();
  start_ = scanned_ = 0;
  failed_ = false;
}

}  // namespace truco::net
