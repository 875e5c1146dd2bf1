// Messages as their texts (the encoder of net/wire/protocol.h).

#include <algorithm>
#include <string>
#include <variant>

#include "net/wire/message_kinds.h"
#include "net/wire/protocol.h"

namespace truco::net {
namespace {

using namespace codec;

char SideLetter(Side side) {
  return side == Side::Guest ? kTurnGuest : kTurnHost;
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
  std::string operator()(const ProvenLine& m) const { return m.text; }
};

}  // namespace

std::string Encode(const Message& message) {
  return std::visit(Encoder{}, message);
}

std::string EncodeLine(const Message& message) {
  std::string line = Encode(message);
  line += kLineFeed;
  return line;
}

std::string ChatLine(std::string_view name, std::string_view text) {
  std::string line = "[";
  line += name;
  line += "] ";
  line += text;
  return line;
}

}  // namespace truco::net
