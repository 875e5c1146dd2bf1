// Texts as messages, for the side that reads them (the decoder of net/wire/protocol.h). A reader
// never trusts a form it has not checked: anything off is no message at all.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/wire/message_kinds.h"
#include "net/wire/protocol.h"

namespace truco::net {
namespace {

using namespace codec;

// A digit '1'..'max' as its number, or nothing.
std::optional<int> SmallDigit(char c, int max) {
  if (c < '1' || c > '0' + max) return std::nullopt;
  return c - '0';
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

// A whole number in decimal, no sign, no leading zero (but "0"), at most kMaxNumberDigits.
std::optional<int> ParseNumber(std::string_view text) {
  if (text.empty() || text.size() > kMaxNumberDigits) return std::nullopt;
  if (text.size() > 1 && text[0] == '0') return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

// A stake that a call names: a rung of the ladder above 1.
std::optional<int> ParseStake(std::string_view text) {
  const auto n = ParseNumber(text);
  if (n && (*n == 3 || *n == 6 || *n == 9 || *n == 12)) return n;
  return std::nullopt;
}

std::optional<Side> SideFromLetter(char c) {
  if (c == kTurnGuest) return Side::Guest;
  if (c == kTurnHost) return Side::Host;
  return std::nullopt;
}

// "D" body: lead letter, then four numbers separated by commas.
std::optional<NewHand> ParseNewHand(std::string_view body) {
  if (body.empty()) return std::nullopt;
  const auto lead = SideFromLetter(body[0]);
  if (!lead) return std::nullopt;
  std::array<int, 4> numbers{};
  std::string_view rest = body.substr(1);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const std::size_t comma = rest.find(',');
    const bool last = i + 1 == numbers.size();
    if (last != (comma == std::string_view::npos)) return std::nullopt;
    const auto n = ParseNumber(rest.substr(0, comma));
    if (!n) return std::nullopt;
    numbers[i] = *n;
    if (!last) rest.remove_prefix(comma + 1);
  }
  return NewHand{*lead, numbers[0], numbers[1], numbers[2], numbers[3]};
}

// slot + trick digits, each 1..3.
std::optional<std::pair<int, int>> ParseSlotTrick(std::string_view body) {
  if (body.size() != 2) return std::nullopt;
  const auto slot = SmallDigit(body[0], 3);
  const auto trick = SmallDigit(body[1], 3);
  if (!slot || !trick) return std::nullopt;
  return std::make_pair(*slot, *trick);
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

// "L" body: commitment, then 1..kMaxDealPoints points, each after a comma.
std::optional<DealList> ParseDealList(std::string_view body) {
  constexpr std::size_t kItem = kDealTextChars + 1;
  if (body.size() < kDealTextChars + kItem || (body.size() + 1) % kItem != 0) return std::nullopt;
  const std::size_t count = (body.size() + 1) / kItem - 1;
  if (count > kMaxDealPoints) return std::nullopt;
  DealList list;
  const auto commitment = DealFromText(body.substr(0, kDealTextChars));
  if (!commitment) return std::nullopt;
  list.commitment = *commitment;
  list.points.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kDealTextChars + i * kItem;
    if (body[at] != kDealSeparator) return std::nullopt;
    const auto point = DealFromText(body.substr(at + 1, kDealTextChars));
    if (!point) return std::nullopt;
    list.points.push_back(*point);
  }
  return list;
}

// "W" body (see ResumeHand). Every field must have its form; the plays must make a hand.
std::optional<ResumeHand> ParseResumeHand(std::string_view body) {
  std::vector<std::string_view> f;
  while (true) {
    const std::size_t comma = body.find(',');
    f.push_back(body.substr(0, comma));
    if (comma == std::string_view::npos) break;
    body.remove_prefix(comma + 1);
  }
  constexpr std::size_t kFields = 20;
  if (f.size() != kFields && f.size() != kFields + 1) return std::nullopt;
  auto letter = [](std::string_view x, std::string_view allowed) -> std::optional<char> {
    if (x.size() != 1 || allowed.find(x[0]) == std::string_view::npos) return std::nullopt;
    return x[0];
  };
  auto flag = [](std::string_view x) -> std::optional<bool> {
    if (x == "0") return false;
    if (x == "1") return true;
    return std::nullopt;
  };
  auto card = [](std::string_view x) -> std::optional<Card> {
    const auto form = ParseCardForm(x);
    if (!form || form->position != kNone) return std::nullopt;
    return form->card;
  };
  ResumeHand m;
  const auto turn = letter(f[0], "SC-");
  const auto stake = ParseNumber(f[1]);
  const auto pending = ParseNumber(f[2]);
  const auto caller = letter(f[3], "SC-");
  const auto before = letter(f[4], "SC-");
  const auto right = letter(f[5], "SC-");
  const auto eleven = letter(f[6], "SCB-");
  const auto decided = flag(f[7]);
  const auto dark = flag(f[8]);
  if (!turn || !stake || !pending || !caller || !before || !right || !eleven || !decided || !dark) {
    return std::nullopt;
  }
  if (*stake != 1 && !ParseStake(f[1])) return std::nullopt;
  if (*pending != 0 && !ParseStake(f[2])) return std::nullopt;
  m.turn = *turn;
  m.stake = *stake;
  m.pending = *pending;
  m.caller = *caller;
  m.turn_before_call = *before;
  m.raise_right = *right;
  m.eleven = *eleven;
  m.eleven_decided = *decided;
  m.eleven_dark = *dark;
  std::array<int*, 4> numbers{&m.host_points, &m.guest_points, &m.host_games, &m.guest_games};
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const auto n = ParseNumber(f[9 + i]);
    if (!n) return std::nullopt;
    *numbers[i] = *n;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    if (f[13 + i] == std::string_view(&kNone, 1) && f.size() > kFields) continue;
    const auto c = card(f[13 + i]);
    if (!c) return std::nullopt;
    m.guest_cards[i] = *c;
  }
  if (f.size() > kFields) {
    const auto id = DealFromText(f[kFields]);
    if (!id) return std::nullopt;
    m.hand_id = *id;
  }
  const auto vira = card(f[16]);
  if (!vira) return std::nullopt;
  m.vira = *vira;
  std::array<bool, 4> host_used{};
  std::array<bool, 4> guest_used{};
  bool open_before = false;  // an earlier trick was not played by both
  for (std::size_t t = 0; t < 3; ++t) {
    const std::string_view x = f[17 + t];
    if (x.size() < 6) return std::nullopt;
    ResumeHand::Trick& trick = m.tricks[t];
    const auto hs = x[0] == '0' ? std::optional<int>(0) : SmallDigit(x[0], 3);
    const auto hh = flag(x.substr(1, 1));
    const auto gs = x[2] == '0' ? std::optional<int>(0) : SmallDigit(x[2], 3);
    const auto gh = flag(x.substr(3, 1));
    const auto leader = letter(x.substr(4, 1), "SC-");
    const auto taker = letter(x.substr(5, 1), "SCE-");
    if (!hs || !hh || !gs || !gh || !leader || !taker) return std::nullopt;
    trick = {*hs, *hh, *gs, *gh, *leader, *taker, std::nullopt};
    if (x.size() > 6) {
      trick.host_card = card(x.substr(6));
      if (!trick.host_card || *hs == 0 || *hh) return std::nullopt;
    }
    // A card is played once, hidden only from the second trick, into a trick after full ones.
    if ((*hs != 0 && host_used[static_cast<std::size_t>(*hs)]) ||
        (*gs != 0 && guest_used[static_cast<std::size_t>(*gs)])) {
      return std::nullopt;
    }
    if ((*hh && *hs == 0) || (*gh && *gs == 0) || (t == 0 && (*hh || *gh))) return std::nullopt;
    if (open_before && (*hs != 0 || *gs != 0)) return std::nullopt;
    if ((*hs != 0 || *gs != 0) != (*leader != kNone)) return std::nullopt;
    if ((*taker != kNone) != (*hs != 0 && *gs != 0)) return std::nullopt;
    if (*hs != 0 && !*hh && !trick.host_card) return std::nullopt;
    host_used[static_cast<std::size_t>(*hs)] = *hs != 0;
    guest_used[static_cast<std::size_t>(*gs)] = *gs != 0;
    open_before = *hs == 0 || *gs == 0;
  }
  // A call waiting is the rung after the stake in force.
  if (m.pending != 0 && m.pending != (m.stake == 1 ? 3 : m.stake + 3)) return std::nullopt;
  // No card twice among the guest's cards and the host's cards face up.
  std::vector<Card> seen;
  auto once = [&seen](const std::optional<Card>& c) {
    if (!c) return true;
    if (std::find(seen.begin(), seen.end(), *c) != seen.end()) return false;
    seen.push_back(*c);
    return true;
  };
  for (const auto& c : m.guest_cards) {
    if (!once(c)) return std::nullopt;
  }
  for (const ResumeHand::Trick& t : m.tricks) {
    if (!once(t.host_card)) return std::nullopt;
  }
  return m;
}
// Kinds both sides read alike.
std::optional<Message> DecodeEitherWay(char kind, std::string_view body) {
  switch (kind) {
    case kKindHello: {
      const auto n = ParseNumber(body);
      if (!n || *n < 1) return std::nullopt;
      return Hello{*n};
    }
    case kKindHidden:
      if (auto st = ParseSlotTrick(body)) return HiddenPlay{st->first, st->second};
      return std::nullopt;
    case kKindCall:
      if (auto stake = ParseStake(body)) return Call{*stake};
      return std::nullopt;
    case kKindAccept:
      if (auto stake = ParseStake(body)) return Accept{*stake};
      return std::nullopt;
    case kKindRun:
      if (body.empty()) return Run{};
      return std::nullopt;
    case kKindEleven:
      if (body == "1") return ElevenChoice{true};
      if (body == "0") return ElevenChoice{false};
      return std::nullopt;
    case kKindRestart:
      if (body.empty()) return Restart{};
      return std::nullopt;
    case kKindDealList:
      if (auto list = ParseDealList(body)) return *std::move(list);
      return std::nullopt;
    case kKindUnlock: {
      if (body.size() != 1 + kDealTextChars) return std::nullopt;
      const auto position = SmallDigit(body[0], kMaxDealPosition);
      const auto point = DealFromText(body.substr(1));
      if (!position || !point) return std::nullopt;
      return Unlock{*position, *point};
    }
    case kKindAnnounce: {
      const auto form = ParseCardForm(body);
      if (!form) return std::nullopt;
      const auto position = SmallDigit(form->position, kMaxDealPosition);
      if (!position) return std::nullopt;
      return Announce{*position, form->card};
    }
    case kKindReveal: {
      const auto scalar = DealFromText(body.substr(0, kDealTextChars));
      if (!scalar) return std::nullopt;
      if (body.size() == kDealTextChars) return RevealKey{*scalar, std::nullopt};
      if (body.size() != 2 * kDealTextChars + 1 || body[kDealTextChars] != kDealSeparator) {
        return std::nullopt;
      }
      const auto hand = DealFromText(body.substr(kDealTextChars + 1));
      if (!hand) return std::nullopt;
      return RevealKey{*scalar, hand};
    }
    case kKindCheat: {
      const auto n = ParseNumber(body);
      if (!n || *n < 1 || *n > kMaxCheatReason) return std::nullopt;
      return CheatFound{*n};
    }
    case kKindProvenKey:
    case kKindProvenList:
    case kKindProvenOpening:
    case kKindProvenAnnounce:
    case kKindProvenFaceDown:
      // Read whole by the deal; here only a line that cannot be one is refused.
      if (body.empty()) return std::nullopt;
      return ProvenLine{std::string(1, kind) + std::string(body)};
    default:
      return std::nullopt;
  }
}

std::optional<Message> DecodeForHost(char kind, std::string_view body) {
  switch (kind) {
    case kKindClosed:
      if (body.empty()) return HandClosed{};
      return std::nullopt;
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
    case kKindSettings:
      if (body.size() == 3 && (body[0] == kBaralhoSujo || body[0] == kBaralhoLimpo) &&
          (body[1] == kModeNova || body[1] == kModeVelha) && (body[2] == '0' || body[2] == '1')) {
        return Settings{body[0], body[1] == kModeNova ? ManilhaMode::Nova : ManilhaMode::Velha,
                        body[2] - '0'};
      }
      return std::nullopt;
    case kKindNewHand:
      if (auto hand = ParseNewHand(body)) return *hand;
      return std::nullopt;
    case kKindResume:
      if (auto hand = ParseResumeHand(body)) return *hand;
      return std::nullopt;
    case kKindTrick: {
      if (body.size() != 2) return std::nullopt;
      const auto trick = SmallDigit(body[0], 3);
      if (!trick) return std::nullopt;
      if (body[1] == kTie) return TrickTaken{*trick, std::nullopt};
      if (auto side = SideFromLetter(body[1])) return TrickTaken{*trick, side};
      return std::nullopt;
    }
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
    case kKindPlay:
      if (auto st = ParseSlotTrick(body)) return Play{st->first, st->second};
      return std::nullopt;
    default:
      if (auto m = DecodeEitherWay(kind, body)) return m;
      return reader == Side::Host ? DecodeForHost(kind, body) : DecodeForGuest(kind, body);
  }
}

}  // namespace truco::net
