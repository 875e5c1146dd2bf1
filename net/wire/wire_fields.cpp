// The small pieces messages are made of: 32 bytes as base64url, a suit's digit; and the port
// rule both sides apply.

#include <sodium.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "net/wire/protocol.h"

namespace truco::net {

std::string DealText(const DealBytes& bytes) {
  constexpr int kVariant = sodium_base64_VARIANT_URLSAFE_NO_PADDING;
  std::array<char, sodium_base64_ENCODED_LEN(kDealBytes, kVariant)> text{};
  sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(), kVariant);
  return std::string(text.data(), kDealTextChars);
}

std::optional<DealBytes> DealFromText(std::string_view text) {
  if (text.size() != kDealTextChars) return std::nullopt;
  DealBytes bytes{};
  std::size_t length = 0;
  const char* end = nullptr;
  // libsodium also refuses a last character whose unused bits are set, so each 32 bytes have
  // exactly one text.
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &length,
                        &end, sodium_base64_VARIANT_URLSAFE_NO_PADDING) != 0 ||
      length != kDealBytes || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return bytes;
}

char SuitDigit(Suit suit) {
  switch (suit) {
    case Suit::Clubs:
      return '1';
    case Suit::Hearts:
      return '2';
    case Suit::Spades:
      return '3';
    case Suit::Diamonds:
      return '4';
  }
  return '1';
}

std::optional<Suit> SuitFromDigit(char digit) {
  switch (digit) {
    case '1':
      return Suit::Clubs;
    case '2':
      return Suit::Hearts;
    case '3':
      return Suit::Spades;
    case '4':
      return Suit::Diamonds;
    default:
      return std::nullopt;
  }
}

std::optional<std::uint16_t> ParsePort(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  // Five digits are enough for every port the rule allows; more would only risk overflow.
  if (text.empty() || text.size() > 5) return std::nullopt;
  int port = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    port = port * 10 + (c - '0');
  }
  if (port <= 1000 || port >= 64000) return std::nullopt;
  return static_cast<std::uint16_t>(port);
}

}  // namespace truco::net
