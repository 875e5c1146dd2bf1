#include "net/protocol.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

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
constexpr char kKindHello = 'H';
constexpr char kKindSettings = 'G';
constexpr char kKindNewHand = 'D';
constexpr char kKindHidden = 'E';
constexpr char kKindTrick = 'R';
constexpr char kKindCall = 'T';
constexpr char kKindAccept = 'K';
constexpr char kKindRun = 'F';
constexpr char kKindEleven = 'U';
constexpr char kKindClosed = 'O';
constexpr char kKindRestart = 'Z';
constexpr char kKindResume = 'W';
constexpr char kNone = '-';
constexpr char kKindDealList = 'L';
constexpr char kKindUnlock = 'Q';
constexpr char kKindAnnounce = 'Y';
constexpr char kKindReveal = 'X';
constexpr char kKindCheat = 'S';
constexpr int kMaxCheatReason = 99;
constexpr char kDealSeparator = ',';
constexpr int kMaxDealPosition = 7;
constexpr char kTie = 'E';
// Points and games travel as decimal numbers of at most this many digits.
constexpr std::size_t kMaxNumberDigits = 5;
constexpr int kMaxNumber = 99999;

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

char SideLetter(Side side) {
  return side == Side::Guest ? kTurnGuest : kTurnHost;
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
  std::string operator()(const Hello& m) const {
    return kKindHello + std::to_string(std::clamp(m.version, 1, kMaxNumber));
  }
  std::string operator()(const Settings& m) const {
    return std::string{kKindSettings, m.deck_type,
                       m.mode == ManilhaMode::Nova ? kModeNova : kModeVelha, Digit(m.eleven_mode)};
  }
  std::string operator()(const NewHand& m) const {
    std::string text{kKindNewHand, SideLetter(m.lead)};
    for (int n : {m.host_points, m.guest_points, m.host_games, m.guest_games}) {
      if (text.size() > 2) text += ',';
      text += std::to_string(std::clamp(n, 0, kMaxNumber));
    }
    return text;
  }
  std::string operator()(const ResumeHand& m) const {
    std::string text(1, kKindResume);
    auto field = [&text](const std::string& f) {
      if (text.size() > 1) text += ',';
      text += f;
    };
    auto letter = [](char c) { return std::string(1, c); };
    auto card = [](const Card& c) { return CardText(kNone, c, kNone).substr(1); };
    field(letter(m.turn));
    field(std::to_string(std::clamp(m.stake, 0, kMaxNumber)));
    field(std::to_string(std::clamp(m.pending, 0, kMaxNumber)));
    field(letter(m.caller));
    field(letter(m.turn_before_call));
    field(letter(m.raise_right));
    field(letter(m.eleven));
    field(letter(m.eleven_decided ? '1' : '0'));
    field(letter(m.eleven_dark ? '1' : '0'));
    for (int n : {m.host_points, m.guest_points, m.host_games, m.guest_games}) {
      field(std::to_string(std::clamp(n, 0, kMaxNumber)));
    }
    for (const auto& c : m.guest_cards) field(c ? card(*c) : letter(kNone));
    field(card(m.vira));
    for (const ResumeHand::Trick& t : m.tricks) {
      std::string f{Digit(t.host_slot),
                    t.host_hidden ? '1' : '0',
                    Digit(t.guest_slot),
                    t.guest_hidden ? '1' : '0',
                    t.leader,
                    t.taker};
      if (t.host_card) f += card(*t.host_card);
      field(f);
    }
    if (m.hand_id) field(DealText(*m.hand_id));
    return text;
  }
  std::string operator()(const HiddenPlay& m) const {
    return std::string{kKindHidden, Digit(m.slot), Digit(m.trick)};
  }
  std::string operator()(const TrickTaken& m) const {
    return std::string{kKindTrick, Digit(m.trick), m.taker ? SideLetter(*m.taker) : kTie};
  }
  std::string operator()(const Call& m) const { return kKindCall + std::to_string(m.stake); }
  std::string operator()(const Accept& m) const { return kKindAccept + std::to_string(m.stake); }
  std::string operator()(const Run&) const { return std::string(1, kKindRun); }
  std::string operator()(const ElevenChoice& m) const {
    return std::string{kKindEleven, m.plays ? '1' : '0'};
  }
  std::string operator()(const HandClosed&) const { return std::string(1, kKindClosed); }
  std::string operator()(const Restart&) const { return std::string(1, kKindRestart); }
  std::string operator()(const DealList& m) const {
    std::string text(1, kKindDealList);
    text.reserve(1 + (m.points.size() + 1) * (kDealTextChars + 1));
    text += DealText(m.commitment);
    for (const DealBytes& point : m.points) {
      text += kDealSeparator;
      text += DealText(point);
    }
    return text;
  }
  std::string operator()(const Unlock& m) const {
    return std::string{kKindUnlock, Digit(m.position)} + DealText(m.point);
  }
  std::string operator()(const Announce& m) const {
    return CardText(kKindAnnounce, m.card, Digit(m.position));
  }
  std::string operator()(const RevealKey& m) const {
    std::string text = kKindReveal + DealText(m.scalar);
    if (m.interrupted) text += kDealSeparator + DealText(*m.interrupted);
    return text;
  }
  std::string operator()(const CheatFound& m) const {
    return kKindCheat + std::to_string(std::clamp(m.reason, 1, kMaxCheatReason));
  }
};

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

// Kinds both sides read alike.
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
    case kKindPlay:
      if (auto st = ParseSlotTrick(body)) return Play{st->first, st->second};
      return std::nullopt;
    default:
      if (auto m = DecodeEitherWay(kind, body)) return m;
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
