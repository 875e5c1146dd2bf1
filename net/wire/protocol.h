#pragma once
// The messages two copies of the game exchange over their TCP connection, as values, with their
// exact texts; the framing that keeps them apart is net/wire/framing.h. Pure C++ (no Qt) so it
// can be fuzzed.
//
// Choices:
// - Every message is one line: its text followed by one line feed (0x0A). A message never
//   contains a line feed; text fields have CR and LF turned into blanks when encoded.
// - A line longer than kMaxLineBytes (not counting its LF) is a protocol error.
// - Text fields (names, chat lines) travel as UTF-8.
// - What a line means depends on who reads it: the guest takes "C" with any body as the start of
//   the deal, the host takes "C1".."C3" as card requests. Decode therefore needs the reader's side,
//   and it drops every kind and body that this side does not accept.
// - A malformed message is ignored as a whole: a card with an unknown suit digit or a value that
//   is never dealt, a play with a slot or trick outside 1..3. Half-applying one would let a side
//   play out of turn or show a card the host never dealt.
// - "B" + deck digit is a kind of our own: the host's deck type, so the guest derives the same
//   manilhas. A receiver that does not know "B" ignores it, as it ignores every unknown kind.
// - The whole-game messages (kinds "H", "G", "D", "E", "R", "T", "K", "F", "U", "O", "Z") are
//   ours too; a classic peer ignores them as unknown kinds. docs/protocol.md lists every message.
// - The joint deal's messages (version 3: kinds "L", "Q", "Y", "X", "S") carry 32-byte group
//   elements and secrets as base64url without padding (43 characters each). A deck's list, the
//   longest line, is 1 + 41 * 44 - 1 = 1804 bytes for 40 cards: well within kMaxLineBytes. The
//   codec checks only the form (exact length, alphabet, canonical last character); whether 32
//   bytes are a group element is the deal's business (net/fair/joint_deal.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/cards.h"
#include "net/wire/framing.h"

namespace truco::net {

inline constexpr std::uint16_t kDefaultPort = 7070;

// The two ends of a connection: the host listens and deals, the guest connects.
enum class Side : std::uint8_t { Host, Guest };

// "N" + name: the sender's name (host first, the guest answers with its own).
struct Name {
  std::string name;
  friend bool operator==(const Name&, const Name&) = default;
};

// "C" from the host: the deal starts. The guest ignores any body.
struct StartDeal {
  friend bool operator==(const StartDeal&, const StartDeal&) = default;
};

// "C1".."C3" from the guest: deal me my card of this slot.
struct AskGuestCard {
  int slot = 1;
  friend bool operator==(const AskGuestCard&, const AskGuestCard&) = default;
};

// "A1".."A3" from the guest: deal your own card of this slot.
struct AskHostCard {
  int slot = 1;
  friend bool operator==(const AskHostCard&, const AskHostCard&) = default;
};

// "A4" from the guest: turn the vira.
struct AskVira {
  friend bool operator==(const AskVira&, const AskVira&) = default;
};

// "V" + value + slot + suit from the host: the guest's own card of that slot.
struct GuestCard {
  int slot = 1;
  Card card;
  friend bool operator==(const GuestCard&, const GuestCard&) = default;
};

// "A" + value + slot + suit from the host: the host's card of that slot (shown face down).
struct HostCard {
  int slot = 1;
  Card card;
  friend bool operator==(const HostCard&, const HostCard&) = default;
};

// "I" + value + mode + suit from the host: the vira. Mode "1" is manilha nova and the card
// counts; mode "0" is manilha velha, the vira stays hidden and the card carries no meaning
// (decoded as the default card when its characters do not form one).
struct Vira {
  ManilhaMode mode = ManilhaMode::Nova;
  Card card;
  friend bool operator==(const Vira&, const Vira&) = default;
};

// "B" + deck digit from the host: its deck type (kBaralhoSujo '1' or kBaralhoLimpo '2').
struct DeckType {
  char deck_type = kBaralhoSujo;
  friend bool operator==(const DeckType&, const DeckType&) = default;
};

// "P" + turn letter from the host: "C" the guest plays next, "S" the host does.
struct Turn {
  Side side = Side::Guest;
  friend bool operator==(const Turn&, const Turn&) = default;
};

// "J" + slot + trick, either way: the sender played its card of that slot into that trick.
struct Play {
  int slot = 1;
  int trick = 1;
  friend bool operator==(const Play&, const Play&) = default;
};

// "M" + line, either way: a chat line, already in its "[" + name + "] " + text form.
struct Chat {
  std::string line;
  friend bool operator==(const Chat&, const Chat&) = default;
};

// --- The whole game: both sides said hello with version 2 or more. ---

// The protocol version that knows the whole game.
inline constexpr int kWholeGameVersion = 2;

// "H" + version digits, either way: the guest greets right before its name, the host answers.
struct Hello {
  int version = kWholeGameVersion;
  friend bool operator==(const Hello&, const Hello&) = default;
};

// "G" + deck digit + manilha mode digit ("1" nova, "0" velha) + hand-of-eleven digit ("0"
// "Normal", "1" "No Escuro"), host to guest before every deal: the settings that rule the hand.
struct Settings {
  char deck_type = kBaralhoSujo;
  ManilhaMode mode = ManilhaMode::Nova;
  int eleven_mode = 0;
  friend bool operator==(const Settings&, const Settings&) = default;
};

// "D" + lead letter + host points "," guest points "," host games "," guest games, host to guest:
// a new hand starts; the guest's three cards ("V") and the vira ("I") follow.
struct NewHand {
  Side lead = Side::Host;
  int host_points = 0;
  int guest_points = 0;
  int host_games = 0;
  int guest_games = 0;
  friend bool operator==(const NewHand&, const NewHand&) = default;
};

// "E" + slot + trick, either way: the sender played its card of that slot face down (it never
// travels; it loses to any card).
struct HiddenPlay {
  int slot = 1;
  int trick = 2;
  friend bool operator==(const HiddenPlay&, const HiddenPlay&) = default;
};

// "R" + trick + "S" / "C" / "E", host to guest: the host took the trick, the guest did, a tie.
struct TrickTaken {
  int trick = 1;
  std::optional<Side> taker;  // nothing: a tie
  friend bool operator==(const TrickTaken&, const TrickTaken&) = default;
};

// "T" + stake ("3", "6", "9", "12"), either way: a call of that rung; sent while the other's call
// waits for an answer, it is a raise.
struct Call {
  int stake = 3;
  friend bool operator==(const Call&, const Call&) = default;
};

// "K" + stake, either way: the call of that stake is accepted.
struct Accept {
  int stake = 3;
  friend bool operator==(const Accept&, const Accept&) = default;
};

// "F", either way: the sender runs (from a call waiting for its answer, or "Correr").
struct Run {
  friend bool operator==(const Run&, const Run&) = default;
};

// "U1" / "U0", either way: the side at 11 plays the hand / gives it up.
struct ElevenChoice {
  bool plays = true;
  friend bool operator==(const ElevenChoice&, const ElevenChoice&) = default;
};

// "O", guest to host: the guest closed the hand's last box; the host may deal.
struct HandClosed {
  friend bool operator==(const HandClosed&, const HandClosed&) = default;
};

// "Z", either way: the sender's player confirmed a restart of the game.
struct Restart {
  friend bool operator==(const Restart&, const Restart&) = default;
};

// "W", host to guest, after "Continuar a partida?" was answered yes by both: the interrupted hand
// as the guest may see it, so it goes on where it stopped. Letters are 'S', 'C' or '-' (none).
// Body, comma separated: turn, stake, pending call, caller, turn before the call, raise right,
// eleven ('S', 'C', 'B' or '-'), eleven decided and blind ('0'/'1' each), host points, guest
// points, host games, guest games, the guest's three cards, the vira (cards as value + '-' +
// suit), then one field per trick: host slot, host hidden, guest slot, guest hidden (slot '0'
// not played, '1'..'3'; hidden '0'/'1'), leader letter, taker letter ('S', 'C', 'E' tie, '-'),
// and the host's card when it lies face up there. Never a host card still in hand.
// Version 3 (joint deal): a guest card the host has not seen face up travels as '-' (the guest
// takes its cards from the hand's kept deal), and a 21st field names the hand: the commitment
// its host list carried, as in "X". The guest goes on only with the deal of that very hand.
struct ResumeHand {
  struct Trick {
    int host_slot = 0;  // 0 not played, 1..3
    bool host_hidden = false;
    int guest_slot = 0;
    bool guest_hidden = false;
    char leader = '-';
    char taker = '-';
    std::optional<Card> host_card;
    friend bool operator==(const Trick&, const Trick&) = default;
  };
  char turn = '-';
  int stake = 1;
  int pending = 0;
  char caller = '-';
  char turn_before_call = '-';
  char raise_right = '-';
  char eleven = '-';
  bool eleven_decided = false;
  bool eleven_dark = false;
  int host_points = 0;
  int guest_points = 0;
  int host_games = 0;
  int guest_games = 0;
  std::array<std::optional<Card>, 3> guest_cards{};
  Card vira{};
  std::array<Trick, 3> tricks{};
  std::optional<std::array<std::uint8_t, 32>> hand_id;  // version 3
  friend bool operator==(const ResumeHand&, const ResumeHand&) = default;
};

// --- The joint deal: both sides said hello with version 3 or more. ---

// The protocol version whose deck both programs shuffle (net/fair/joint_deal.h).
inline constexpr int kJointDealVersion = 3;
// The protocol version whose deal is checked by proofs as it goes (net/fair/proven_deal.h); its
// deal lines ("k", "l", "q", "y", "e") are read by the deal itself (net/proof/deal_wire.h).
inline constexpr int kProvenDealVersion = 4;
// The version both sides play after the greeting: the lower of the one offered ("H" + digits)
// and the highest this side knows, which is also what the host answers.
constexpr int AgreedVersion(int offered, int highest) {
  return offered < highest ? offered : highest;
}
// A ristretto255 point, a secret scalar or a commitment: 32 bytes.
inline constexpr std::size_t kDealBytes = 32;
using DealBytes = std::array<std::uint8_t, kDealBytes>;
// The 32 bytes on the wire: base64url without padding.
inline constexpr std::size_t kDealTextChars = 43;
// The most points a list may carry: the 40-card deck.
inline constexpr std::size_t kMaxDealPoints = 40;

// "L" + commitment + ("," + point) per card, either way: the sender's commitment to its secret
// and the deck as it leaves the sender's hands (encrypted once more and shuffled).
struct DealList {
  DealBytes commitment{};
  std::vector<DealBytes> points;
  friend bool operator==(const DealList&, const DealList&) = default;
};

// "Q" + position digit ("1".."7") + point, either way: the card at that position of the final
// list with the sender's layer removed, for the position's owner (the vira: for both).
struct Unlock {
  int position = 1;
  DealBytes point{};
  friend bool operator==(const Unlock&, const Unlock&) = default;
};

// "Y" + value + position digit + suit, either way: the sender plays face up the card that lies
// at that position (its own), read from the end like the card messages.
struct Announce {
  int position = 1;
  Card card;
  friend bool operator==(const Announce&, const Announce&) = default;
};

// "X" + secret, either way: the sender's secret scalar of the hand that just ended or was
// dropped. "X" + secret + "," + hand: the secret of a hand cut off with the last connection,
// the hand named by the commitment the host's list carried.
struct RevealKey {
  DealBytes scalar{};
  std::optional<DealBytes> interrupted;
  friend bool operator==(const RevealKey&, const RevealKey&) = default;
};

// "S" + reason number, either way: the sender caught the receiver cheating in the deal; the game
// is void on both sides and the sender closes the connection. Numbers: net/fair/joint_deal.h.
struct CheatFound {
  int reason = 1;
  friend bool operator==(const CheatFound&, const CheatFound&) = default;
};

// --- The deal checked by proofs: both sides said hello with version 4. ---

// "k", "l", "q", "y" or "e" + body, either way: a line of the version-4 deal, carried as it came
// (its fields and proofs are read and checked by the deal itself, net/fair/proven_deal.h).
struct ProvenLine {
  std::string text;
  friend bool operator==(const ProvenLine&, const ProvenLine&) = default;
};

using Message =
    std::variant<Name, StartDeal, AskGuestCard, AskHostCard, AskVira, GuestCard, HostCard, Vira,
                 DeckType, Turn, Play, Chat, Hello, Settings, NewHand, HiddenPlay, TrickTaken, Call,
                 Accept, Run, ElevenChoice, HandClosed, Restart, ResumeHand, DealList, Unlock,
                 Announce, RevealKey, CheatFound, ProvenLine>;

// The message's text, without the line feed. Text fields get CR and LF turned into blanks, and a
// chat line is cut (on a UTF-8 character boundary) so the whole text stays within kMaxLineBytes.
std::string Encode(const Message& message);

// Encode plus the terminating line feed: the bytes to write to the connection.
std::string EncodeLine(const Message& message);

// The message that `line` (without its line feed) carries for a reader on side `reader`, or
// nothing when the reader does not accept its kind or its body is malformed.
std::optional<Message> Decode(std::string_view line, Side reader);

// The chat line as shown and sent: "[" + name + "] " + text.
std::string ChatLine(std::string_view name, std::string_view text);

// 32 bytes as base64url without padding (43 characters), and back: nothing unless the text is
// exactly that encoding of 32 bytes.
std::string DealText(const DealBytes& bytes);
std::optional<DealBytes> DealFromText(std::string_view text);

// Wire digits of a suit: "1" Clubs, "2" Hearts, "3" Spades, "4" Diamonds.
char SuitDigit(Suit suit);
std::optional<Suit> SuitFromDigit(char digit);

// The port rule for host and guest: a whole number greater than 1000 and less than 64000
// (blanks around it allowed).
std::optional<std::uint16_t> ParsePort(std::string_view text);
inline constexpr std::string_view kPortRuleText =
    "A porta deve ser um número maior que 1000 e menor que 64000";

}  // namespace truco::net
