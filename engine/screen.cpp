#include "engine/screen.h"

namespace truco {

namespace {

constexpr std::size_t kMaxMessageCharacters = 500;

// Keeps at most the limit in characters (UTF-8 code points), never cutting one in two.
void Limit(std::string& text) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (characters++ == kMaxMessageCharacters) {
      text.resize(i);
      return;
    }
  }
}

}  // namespace

std::string MessageText(const std::vector<std::string>& lines, bool question) {
  if (lines.empty()) return "";
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\n\r";
    text += lines[i];
  }
  if (question) text += " ?";
  Limit(text);
  return text;
}

}  // namespace truco
