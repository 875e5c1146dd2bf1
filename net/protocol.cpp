#include "net/protocol.h"

#include <algorithm>

namespace truco::net {
namespace {

constexpr char kKindName = 'N';
constexpr char kKindDeal = 'C';
constexpr char kKindHostCard = 'A';
constexpr char kKindGuestCard = 'V';
constexpr char kKindVira = 'I';
constexpr char kKindDeck = 'B';
constexpr char kKindTurn = 'P';
constexpr char kKindPlay = 'J';
constexpr char kKindChat = 'M';

constexpr char kModeNova = '1';
constexpr char kModeVelha = '0';
constexpr char kTurnGuest = 'C';
constexpr char kTurnHost = 'S';
constexpr int kAskViraSlot = 4;

// A digit '1'..'max' as its number, or nothing.
std::optional<int> SmallDigit(char c, int max) {
  if (c < '1' || c > '0' + max) return std::nullopt;
  return c - '0';
}

char Digit(int n) {
  return static_cast<char>('0' + std::clamp(n, 0, 9));
}

bool IsDealtValue(int value) {
  return (value >= kAce && value <= 7) || (value >= kValete && value <= kRei);
}

// A card value in decimal: one or two digits, no sign, no leading zero, a value that is dealt.
std::optional<int> ParseValue(std::string_view text) {
  if (text.empty() || text.size() > 2 || text[0] == '0') return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (!IsDealtValue(value)) return std::nullopt;
  return value;
}

// value + position character + suit digit, read from the end.
struct CardForm {
  Card card;
  char position;
};

std::optional<CardForm> ParseCardForm(std::string_view body) {
  if (body.size() < 3 || body.size() > 4) return std::nullopt;
  const std::optional<Suit> suit = SuitFromDigit(body.back());
  const std::optional<int> value = ParseValue(body.substr(0, body.size() - 2));
  if (!suit || !value) return std::nullopt;
  return CardForm{Card{static_cast<std::uint8_t>(*value), *suit}, body[body.size() - 2]};
}

std::string CardText(char kind, const Card& card, char position) {
  std::string text(1, kind);
  text += std::to_string(card.Value);
  text += position;
  text += SuitDigit(card.suit);
  return text;
}

// A text field on the wire: no line breaks, and short enough that kind + text fits in a line.
std::string WireText(char kind, std::string_view text) {
  std::size_t keep = std::min(text.size(), kMaxLineBytes - 1);
  // Never cut a UTF-8 character in half: back off over continuation bytes.
  while (keep > 0 && keep < text.size() &&
         (static_cast<unsigned char>(text[keep]) & 0xC0U) == 0x80U) {
    --keep;
  }
  std::string wire(1, kind);
  wire.append(text.substr(0, keep));
  std::replace(wire.begin(), wire.end(), '\r', ' ');
  std::replace(wire.begin(), wire.end(), '\n', ' ');
  return wire;
}

struct Encoder {
  std::string operator()(const Name& m) const { return WireText(kKindName, m.name); }
  std::string operator()(const StartDeal&) const { return std::string(1, kKindDeal); }
  std::string operator()(const AskGuestCard& m) const {
    return std::string{kKindDeal, Digit(m.slot)};
  }
  std::string operator()(const AskHostCard& m) const {
    return std::string{kKindHostCard, Digit(m.slot)};
  }
  std::string operator()(const AskVira&) const {
    return std::string{kKindHostCard, Digit(kAskViraSlot)};
  }
  std::string operator()(const GuestCard& m) const {
    return CardText(kKindGuestCard, m.card, Digit(m.slot));
  }
  std::string operator()(const HostCard& m) const {
    return CardText(kKindHostCard, m.card, Digit(m.slot));
  }
  std::string operator()(const Vira& m) const {
    return CardText(kKindVira, m.card, m.mode == ManilhaMode::Nova ? kModeNova : kModeVelha);
  }
  std::string operator()(const DeckType& m) const { return std::string{kKindDeck, m.deck_type}; }
  std::string operator()(const Turn& m) const {
    return std::string{kKindTurn, m.side == Side::Guest ? kTurnGuest : kTurnHost};
  }
  std::string operator()(const Play& m) const {
    return std::string{kKindPlay, Digit(m.slot), Digit(m.trick)};
  }
  std::string operator()(const Chat& m) const { return WireText(kKindChat, m.line); }
};

std::optional<Message> DecodeForHost(char kind, std::string_view body) {
  switch (kind) {
    case kKindDeal:
      if (body.size() != 1) return std::nullopt;
      if (auto slot = SmallDigit(body[0], 3)) return AskGuestCard{*slot};
      return std::nullopt;
    case kKindHostCard:
      if (body.size() != 1) return std::nullopt;
      if (body[0] == Digit(kAskViraSlot)) return AskVira{};
      if (auto slot = SmallDigit(body[0], 3)) return AskHostCard{*slot};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<Message> DecodeForGuest(char kind, std::string_view body) {
  switch (kind) {
    case kKindDeal:
      return StartDeal{};
    case kKindGuestCard:
    case kKindHostCard: {
      const auto form = ParseCardForm(body);
      if (!form) return std::nullopt;
      const auto slot = SmallDigit(form->position, 3);
      if (!slot) return std::nullopt;
      if (kind == kKindGuestCard) return GuestCard{*slot, form->card};
      return HostCard{*slot, form->card};
    }
    case kKindVira: {
      if (body.size() < 3 || body.size() > 4) return std::nullopt;
      const char mode = body[body.size() - 2];
      const auto form = ParseCardForm(body);
      if (mode == kModeVelha) return Vira{ManilhaMode::Velha, form ? form->card : Card{}};
      if (mode == kModeNova && form) return Vira{ManilhaMode::Nova, form->card};
      return std::nullopt;
    }
    case kKindDeck:
      if (body.size() == 1 && (body[0] == kBaralhoSujo || body[0] == kBaralhoLimpo)) {
        return DeckType{body[0]};
      }
      return std::nullopt;
    case kKindTurn:
      if (body.size() != 1) return std::nullopt;
      if (body[0] == kTurnGuest) return Turn{Side::Guest};
      if (body[0] == kTurnHost) return Turn{Side::Host};
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace

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

std::string Encode(const Message& message) {
  return std::visit(Encoder{}, message);
}

std::string EncodeLine(const Message& message) {
  std::string line = Encode(message);
  line += kLineFeed;
  return line;
}

std::optional<Message> Decode(std::string_view line, Side reader) {
  if (line.empty() || line.size() > kMaxLineBytes) return std::nullopt;
  const char kind = line[0];
  const std::string_view body = line.substr(1);
  switch (kind) {
    case kKindName:
      if (body.empty()) return std::nullopt;
      return Name{std::string(body)};
    case kKindChat:
      return Chat{std::string(body)};
    case kKindPlay: {
      if (body.size() != 2) return std::nullopt;
      const auto slot = SmallDigit(body[0], 3);
      const auto trick = SmallDigit(body[1], 3);
      if (!slot || !trick) return std::nullopt;
      return Play{*slot, *trick};
    }
    default:
      return reader == Side::Host ? DecodeForHost(kind, body) : DecodeForGuest(kind, body);
  }
}

std::string ChatLine(std::string_view name, std::string_view text) {
  std::string line = "[";
  line += name;
  line += "] ";
  line += text;
  return line;
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
