#pragma once
// One side's part in the deal of protocol version 4 (docs/protocol.md, "Protocol 4"): the lines
// of net/proof/deal_wire.h spoken in a game. Every party in turn sends its key, then its shuffle
// of the last list with its proof, then its openings of the other parties' positions and of the
// vira; a card played face up is announced with a proof, a card played face down is named by its
// slot and never opened. Every line is checked the moment it arrives; nothing is revealed at the
// end of the hand. Two to four parties; two parties are the host (1 on the wire) and the guest
// (2). Plain C++ over libsodium, no Qt.
//
// Choices:
// - The session knows the whole order of a hand's dealing lines (keys, shuffles, then the
//   openings turn by turn: first the party that shuffled last, then 1, 2, …), so a line that is
//   not the very one expected, from the very party expected, is a cheat at that line, and this
//   side's own lines go out as soon as its turn comes (the answer to the line that made it so).
// - Plays (`y`, `e`) come only once every opening is in; who may play when is the game's rule,
//   not the deal's: the session checks that the slot is the sender's and still in its hand.
// - After a fault the session takes nothing more (the game is void); what it holds is what it
//   held before the faulty message, so the honest side's view never takes a cheat in.
// - Resume: the state is this side's secret and every line of the hand in the order taken (its
//   own included), nothing derived; a restored session checks them all again. On a new
//   connection each side sends again every line it sent in the hand; the receiver skips those it
//   already took (byte for byte the same) and takes the rest as new.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cards.h"
#include "net/fair/joint_deal.h"
#include "net/proof/deal_wire.h"

namespace truco::net {

// What binds a hand: the deck and whether the vira is turned (manilha nova), every party's name
// in party order and the hand's number in the game (a resumed hand keeps its number).
struct ProvenHand {
  char deck_type = kBaralhoSujo;
  bool vira_turned = true;
  std::vector<std::string> names;
  std::uint64_t number = 1;
  friend bool operator==(const ProvenHand&, const ProvenHand&) = default;
};

// A card another party played, as its checked line says.
struct ProvenPlay {
  std::size_t party = 0;     // from 0
  int slot = 1;              // 1..3
  std::optional<Card> card;  // face up: the card its proof shows; face down: nothing
  int trick = 0;             // face down: the trick the line names (2 or 3)
  friend bool operator==(const ProvenPlay&, const ProvenPlay&) = default;
};

// What taking a line gave.
struct ProvenStep {
  std::vector<std::string> send;      // this side's lines, for every other party, in order
  DealFault fault = DealFault::None;  // the sender's fault: the game ends on it
  std::optional<ProvenPlay> play;
};

// The deal lines of version 4 are the ones whose kind is one of its lower-case letters.
bool IsProvenDealLine(std::string_view line);
// A fault's reason naming the party that cheated: two parties say "O anfitrião" / "O convidado"
// as version 3 does, more say "O jogador " + its number.
std::string ProvenFaultText(DealFault fault, std::size_t party, std::size_t parties);

class ProvenDeal {
 public:
  // `index` from 0: with two parties the host is 0 and the guest 1.
  ProvenDeal(std::size_t parties, std::size_t index);

  // A new hand (`hand.names` holds one name per party): the lines to send now (party 1's key).
  std::vector<std::string> NewHand(const ProvenHand& hand);
  // A deal line (IsProvenDealLine) from party `from` (never this side's own index).
  ProvenStep Take(std::string_view line, std::size_t from);
  // Two parties: the line came from the other.
  ProvenStep Take(std::string_view line) { return Take(line, 1 - index_); }

  // Every opening is in: plays may go.
  [[nodiscard]] bool Dealt() const;
  // This side's three cards (and the vira when turned) are known.
  [[nodiscard]] bool HandOpen() const;
  [[nodiscard]] std::optional<Card> OwnCard(int slot) const;  // slot 1..3
  [[nodiscard]] std::optional<Card> Vira() const;

  // This side plays its slot face up: the `y` line (nothing when the slot is not in its hand).
  std::optional<std::string> Announce(int slot);
  // This side plays its slot face down into `trick` (2 or 3): the `e` line.
  std::optional<std::string> FaceDown(int slot, int trick);

  // A new connection in the middle of the hand: every line this side sent in it, to send again.
  // From here on the other parties' lines already taken are skipped when they come again.
  std::vector<std::string> Resume();

  // The hand's state as bytes (this side's secret included: kept only where its user alone can
  // read it), and back. A restored session is as it was, ready for Resume's exchange. Nothing
  // unless the bytes are exactly such a state and every line in it checks again.
  [[nodiscard]] std::vector<std::uint8_t> Saved() const;
  static std::optional<ProvenDeal> Restore(std::span<const std::uint8_t> bytes);
  // The same as one line of text for the game's resume file: the bytes in base64url without
  // padding (its one text: anything else is refused).
  [[nodiscard]] std::string SavedText() const;
  static std::optional<ProvenDeal> RestoreText(std::string_view text);

  // The hand's name once party 1's key is out (BLAKE2b-256 of its `k` line), the same on every
  // side: what a new connection checks before a saved hand goes on (the peer kept the same one).
  [[nodiscard]] std::optional<DealBytes> HandId() const;

  [[nodiscard]] DealFault fault() const { return fault_; }
  [[nodiscard]] std::size_t parties() const { return parties_; }
  [[nodiscard]] std::size_t index() const { return index_; }
  [[nodiscard]] const ProvenHand& hand() const { return hand_; }
  // For tests: this side's party and the hand's lines so far.
  [[nodiscard]] const std::optional<proof::DealParty>& party() const { return party_; }
  struct Entry {
    std::size_t party = 0;
    std::string line;
    friend bool operator==(const Entry&, const Entry&) = default;
  };
  [[nodiscard]] const std::vector<Entry>& log() const { return log_; }

 private:
  struct Expected {
    proof::MessageKind kind;
    std::size_t party;
    std::size_t position;
  };

  // NewHand without drawing anything (Restore starts here too).
  void Start(const ProvenHand& hand);
  // This side's lines while the next expected message is its own.
  std::vector<std::string> Pump();
  // A line in (from another party, or this side's own while restoring).
  ProvenStep Apply(std::string_view line, std::size_t from);
  DealFault TakeMessage(const proof::DealMessage& m, ProvenStep& step);
  DealFault TakePlay(const proof::DealMessage& m, ProvenStep& step);
  DealFault TakeFaceDown(const proof::FaceDown& play, ProvenStep& step);
  DealFault CheckOpened(std::size_t position) const;
  ProvenStep Fail(DealFault fault);
  void Send(const proof::DealMessage& m, std::vector<std::string>& out);
  [[nodiscard]] bool Expects(proof::MessageKind kind, std::size_t party) const;
  [[nodiscard]] bool Played(std::size_t party, std::size_t slot) const;
  [[nodiscard]] std::optional<Card> CardOf(std::optional<std::size_t> index) const;
  [[nodiscard]] std::size_t LinesFrom(std::size_t party) const;
  [[nodiscard]] const std::string* LineFrom(std::size_t party, std::size_t nth) const;

  std::size_t parties_;
  std::size_t index_;
  ProvenHand hand_;
  std::size_t deck_size_ = 0;
  std::optional<proof::DealParty> party_;
  std::optional<proof::DealWireReader> reader_;
  bool has_secret_ = false;
  bool restoring_ = false;
  std::vector<Expected> schedule_;
  std::size_t next_ = 0;
  std::vector<std::array<bool, 3>> hidden_;  // per party: slots played face down
  std::vector<Entry> log_;
  std::size_t message_start_ = 0;   // where the shuffle being assembled began in log_
  std::vector<std::size_t> taken_;  // per party: its lines taken since the last Resume
  DealFault fault_ = DealFault::None;
};

}  // namespace truco::net
