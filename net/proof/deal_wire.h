#pragma once
// The lines that carry a proven deal between programs (protocol version 4): each DealMessage as
// one line, or a shuffle as a few numbered lines, in the style of version 3's deal (a kind letter,
// comma-separated fields, every 32-byte value as 43 characters of base64url without padding),
// plus the play of a card face down, which names the card's slot and never opens it.
//
// Choices:
// - The kinds are lower-case letters ("k" key, "l" list, "q" opening, "y" announce, "e" face
//   down): no line of this version reads as a message of an older one, and the letter says which
//   step of version 3's deal it replaces.
// - Party, position and slot numbers count from 1 on the wire, as every number of the protocol
//   does; DealMessage counts from 0.
// - A line never exceeds the framing's limit of 4096 bytes. A shuffle (its list and its proof,
//   7n − 1 fields) goes out kShuffleFieldsPerPart fields to a line; the receiver knows from the
//   deck how many parts come and how many fields each holds, so it never stores more than one
//   shuffle's bytes and refuses a part out of order, too long, too short or in excess.
// - Every line has exactly one text: decoding refuses anything that does not encode back to the
//   very same bytes. The transcript takes the message's fields, which therefore stand for its
//   exact bytes.
// - Nothing read is trusted: every point must be a group element other than the identity and
//   every scalar canonical before anything else looks at them; a refusal says why and never
//   throws.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "net/proof/deal.h"

namespace truco::proof {

// The framing's limit on a line, without its line feed (the value of net/protocol.h).
inline constexpr std::size_t kWireLineBytes = 4096;
// The protocol version these lines belong to and the domain that starts its transcripts.
inline constexpr int kProvenDealVersion = 4;
inline constexpr std::string_view kProvenDealDomain = "truco-zanforte/v4";
// Characters of one 32-byte field.
inline constexpr std::size_t kFieldChars = 43;
// Fields of a shuffle per line: 80 × 44 characters and a header of at most 5 stay under 4096.
inline constexpr std::size_t kShuffleFieldsPerPart = 80;

inline constexpr char kKindKey = 'k';
inline constexpr char kKindList = 'l';
inline constexpr char kKindOpening = 'q';
inline constexpr char kKindAnnounce = 'y';
inline constexpr char kKindFaceDown = 'e';

// What the receiver needs to read a hand's lines: how many parties, how many cards.
struct HandShape {
  std::size_t parties = 2;
  std::size_t deck_size = 40;
};
// The decks the game deals: 40 cards (sujo) or 24 (limpo).
bool ShapeValid(const HandShape& shape);

// A card as the wire names it: value (1..7, 11, 12, 13) and suit digit (1..4).
struct WireCard {
  int value = 1;
  int suit = 1;
  friend bool operator==(const WireCard&, const WireCard&) = default;
};
// The card at `index` of the deck's order (values as the deck lists them, each in suits 1..4),
// and back; nothing for a card the deck does not hold.
std::optional<WireCard> CardOfIndex(std::size_t deck_size, std::size_t index);
std::optional<std::size_t> IndexOfCard(std::size_t deck_size, WireCard card);
// The deck's points: the same fixed points as version 3 ("truco-zanforte/v3/card/" + value + "-"
// + suit, hashed to the group), in the deck's order. Empty for a deck size the game has not.
std::vector<Point> WireDeck(std::size_t deck_size);

// Positions of the final list, counted from 0 as DealMessage does: party p's slot s (both from 0)
// lies at 3p + s, the vira after every party's cards.
constexpr std::size_t SlotPosition(std::size_t party, std::size_t slot) {
  return 3 * party + slot;
}
constexpr std::size_t ViraPosition(std::size_t parties) {
  return 3 * parties;
}

// "e" + party + "," + slot + "," + trick: the party played its card of that slot face down into
// that trick (slot 1..3 and trick 2..3 on the wire; counted from 0 for party and slot here).
struct FaceDown {
  std::size_t party = 0;
  std::size_t slot = 0;
  int trick = 2;
  friend bool operator==(const FaceDown&, const FaceDown&) = default;
};

// The lines (without line feeds) of one message: one, or a shuffle's parts.
std::vector<std::string> EncodeDeal(const DealMessage& message, const HandShape& shape);
std::string EncodeFaceDown(const FaceDown& play);

// Why a line was refused.
enum class WireFault : std::uint8_t {
  Empty,           // an empty line
  TooLong,         // over the framing's limit
  UnknownKind,     // not a letter of this version's deal
  BadForm,         // fields missing, in excess, or numbers out of form
  BadParty,        // no party of this hand
  BadPosition,     // no position of this deck, or a slot/trick out of range
  BadCard,         // no card of this deck
  BadBase64,       // a field that is not the one text of 32 bytes
  BadPoint,        // not a group element, or the identity
  BadScalar,       // not a canonical scalar
  PartOutOfOrder,  // a shuffle part that is not the next one
  PartSize,        // a shuffle part with more or fewer fields than it must hold
  PartMissing,     // another deal line while a shuffle is still coming
  NotCanonical,    // a line that does not encode back to itself
  AfterFault,      // the reader refused an earlier line and takes nothing more
};
std::string_view FaultText(WireFault fault);

struct Refused {
  WireFault fault = WireFault::BadForm;
};
// More parts of a shuffle are to come.
struct Pending {};
using WireItem = std::variant<Pending, DealMessage, FaceDown, Refused>;

// One hand's incoming deal lines in the order they arrive (other game lines go elsewhere). It
// holds at most the parts of one shuffle; after a refusal it refuses everything (the game ends).
class DealWireReader {
 public:
  explicit DealWireReader(HandShape shape);
  WireItem Feed(std::string_view line);
  // Whether a shuffle's parts are under way.
  [[nodiscard]] bool Assembling() const { return next_part_ > 0; }

 private:
  WireItem Read(std::string_view line);
  WireItem Refuse(WireFault fault);
  WireItem Part(std::size_t party, std::size_t part, std::span<const std::string_view> fields);

  HandShape shape_;
  bool failed_ = false;
  std::size_t party_ = 0;      // the shuffle being assembled
  std::size_t next_part_ = 0;  // 0: none under way
  Bytes fields_;               // its fields so far, 32 bytes each
};

// The hand as the transcript binds it: the protocol version, every party's name in party order
// and the hand's number in the game (the first deal is 1, a deal again after three ties counts).
struct HandBinding {
  std::vector<std::string> names;
  std::uint64_t hand = 1;
};

// One item of the transcript: BLAKE2b absorbs 'A' ‖ len(label) ‖ label ‖ len(data) ‖ data
// (lengths as 8-byte little-endian).
struct TranscriptItem {
  std::string label;
  Bytes data;
};
// What binds the hand, appended after the domain, and what the deal itself appends (DealView):
// its kind, the number of parties and the deck's points.
std::vector<TranscriptItem> HandItems(const HandBinding& binding);
std::vector<TranscriptItem> DealItems(std::size_t parties, std::span<const Point> deck);
// What each message appends, in order: its header ("message", "party", "position", "card": the
// proof's challenge is drawn right after these) and then its "points" and "proof".
std::vector<TranscriptItem> MessageItems(const DealMessage& message);
// The exact bytes BLAKE2b absorbs for the domain and for a run of items.
Bytes DomainBytes(std::string_view domain);
Bytes ItemBytes(std::span<const TranscriptItem> items);
// The hand's starting transcript: the domain, then HandItems.
Transcript HandTranscript(const HandBinding& binding);

}  // namespace truco::proof
