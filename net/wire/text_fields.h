#pragma once
// Splitting the text lines of the resume files and the internet tables' entries into fields.

#include <string_view>
#include <vector>

namespace truco::net {

// The pieces of `text` between separators; an empty text is one empty piece.
inline std::vector<std::string_view> SplitFields(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

}  // namespace truco::net
