#include "engine/screen.h"

namespace truco {

namespace {

constexpr std::size_t kMaxMessageLength = 500;

// Keeps at most the limit, never cutting a UTF-8 sequence in two.
void Limit(std::string& text) {
  if (text.size() <= kMaxMessageLength) return;
  std::size_t end = kMaxMessageLength;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
}

}  // namespace

std::string JoinMessageLines(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\n\r";
    text += lines[i];
  }
  Limit(text);
  return text;
}

std::string ConfirmaText(const std::vector<std::string>& lines) {
  if (lines.empty()) return "";
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\n\r";
    text += lines[i];
  }
  text += " ?";
  Limit(text);
  return text;
}

}  // namespace truco
