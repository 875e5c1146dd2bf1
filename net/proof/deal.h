#pragma once
// A deal among two to four parties with every step proven, kept in memory: the messages that
// would travel, what anyone who sees them all can check (DealView), and each party's own part
// (DealParty). Tests and benchmarks drive it; the wire protocol wraps these messages later.
//
// One hand:
// 1. Each party, in order, draws a secret x_i and sends its key x_i·B ("key").
// 2. Each party, in order, raises every element of the last list (the deck's points at first) to
//    its secret, reorders the list and sends it with a shuffle proof ("shuffle"). The last list
//    is the final one: each card under every party's layer.
// 3. A position is opened for its owner when every other party, one after another, removes its
//    layer (multiplies by x_i⁻¹) with a Chaum–Pedersen proof against its key ("opening"); the
//    owner removes its own layer alone and finds the card. A card for everyone (the vira) has
//    every party's layer removed in the open.
// 4. A card played face up is announced by its owner with a proof that the point left after the
//    others' openings is the card's point under its key ("announce").
// Every message is checked on arrival by every other party and can be checked again by anyone
// holding the messages and the hand's starting transcript.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "net/proof/chaum_pedersen.h"
#include "net/proof/group.h"
#include "net/proof/shuffle.h"
#include "net/proof/transcript.h"

namespace truco::proof {

inline constexpr std::size_t kMinParties = 2;
inline constexpr std::size_t kMaxParties = 4;

// The deck's points: group elements hashed from `label` and each card's number, all different.
std::vector<Point> DeckPoints(std::string_view label, std::size_t size);

enum class MessageKind : std::uint8_t { Key, Shuffle, Opening, Announce };

struct DealMessage {
  MessageKind kind = MessageKind::Key;
  std::size_t party = 0;
  std::size_t position = 0;   // opening, announce
  std::size_t card = 0;       // announce: the card's number in the deck
  std::vector<Point> points;  // key: the key; shuffle: the list; opening: the point left
  Bytes proof;                // shuffle, opening, announce

  // Everything that travels, in one buffer (what a peer receives).
  [[nodiscard]] Bytes Serialize() const;
};

// What every message says and whether it holds, from the hand's start.
class DealView {
 public:
  DealView(std::vector<Point> deck, std::size_t parties, const Transcript& hand);

  // Checks `message` against everything before it and records it; false when it does not hold
  // (the deal is void from there: the view is left as it was). `check` off takes a party's own
  // message, which it made itself, without checking it again.
  bool Take(const DealMessage& message, bool check = true);

  [[nodiscard]] std::size_t parties() const { return parties_; }
  [[nodiscard]] const std::vector<Point>& deck() const { return deck_; }
  [[nodiscard]] const std::vector<Point>& keys() const { return keys_; }
  [[nodiscard]] std::size_t shuffles() const { return lists_.size(); }
  // The last list (the deck's points before any shuffle).
  [[nodiscard]] const std::vector<Point>& last_list() const;
  [[nodiscard]] bool Dealt() const { return lists_.size() == parties_; }
  // The point at `position` with the layers removed so far, and which parties' layers those are.
  [[nodiscard]] const Point& Current(std::size_t position) const { return current_[position]; }
  [[nodiscard]] bool Removed(std::size_t position, std::size_t party) const;
  // The card announced at `position`, if any.
  [[nodiscard]] std::optional<std::size_t> Announced(std::size_t position) const {
    return announced_[position];
  }
  [[nodiscard]] const Transcript& transcript() const { return transcript_; }
  // The record a message's proof is made and checked on: everything before it and the message's
  // header (its kind, sender, position and card).
  [[nodiscard]] Transcript ProofTranscript(const DealMessage& message) const;

 private:
  bool Check(const Transcript& t, const DealMessage& m) const;

  std::vector<Point> deck_;
  std::size_t parties_;
  Transcript transcript_;
  std::vector<Point> keys_;
  std::vector<std::vector<Point>> lists_;
  std::vector<Point> current_;
  std::vector<std::uint8_t> removed_;  // a bit per party, per position
  std::vector<std::optional<std::size_t>> announced_;
};

// One party's part: its secret for the hand, its permutation, and its view of the messages.
class DealParty {
 public:
  DealParty(std::size_t index, std::vector<Point> deck, std::size_t parties,
            const Transcript& hand);

  // Step 1 (draws the secret), step 2 (on the view's last list), step 3, step 4.
  DealMessage KeyMessage();
  DealMessage ShuffleMessage();
  DealMessage OpeningMessage(std::size_t position) const;
  DealMessage AnnounceMessage(std::size_t position) const;
  // A party taken back from a saved hand: the secret behind the key it already sent.
  void RestoreSecret(const Scalar& secret);
  // A message of any party, this one's own included (recorded without a second check).
  bool Take(const DealMessage& message) { return view_.Take(message, message.party != index_); }

  // The card at `position` once every other party's layer is off it (removing this party's own).
  [[nodiscard]] std::optional<std::size_t> CardAt(std::size_t position) const;
  [[nodiscard]] const DealView& view() const { return view_; }
  [[nodiscard]] std::size_t index() const { return index_; }
  // For tests: what never travels.
  [[nodiscard]] const Scalar& secret() const { return secret_; }
  [[nodiscard]] const Scalar& inverse() const { return inverse_; }
  [[nodiscard]] const std::vector<std::uint32_t>& permutation() const { return permutation_; }

 private:
  std::size_t index_;
  DealView view_;
  Scalar secret_;
  Scalar inverse_;
  std::vector<std::uint32_t> permutation_;
};

// Every party in one process, each message handed to all of them in turn; the driver of the
// tests and benchmarks.
class MemoryDeal {
 public:
  MemoryDeal(std::size_t parties, std::size_t deck_size, const Transcript& hand);

  // Steps 1 and 2: false as soon as a party rejects a message.
  bool Deal();
  // Step 3 for `owner`, or for everyone when `owner` is empty; the card the owner finds (for
  // everyone: the card all find), or nothing when a party rejected a message.
  std::optional<std::size_t> Open(std::size_t position, std::optional<std::size_t> owner);
  // Step 4: false when a party rejects it.
  bool Announce(std::size_t position, std::size_t owner);
  // Hands `message` to every party; false when any rejects it.
  bool Broadcast(const DealMessage& message);

  [[nodiscard]] DealParty& party(std::size_t i) { return parties_[i]; }
  [[nodiscard]] const std::vector<DealMessage>& messages() const { return messages_; }
  [[nodiscard]] const std::vector<Point>& deck() const { return deck_; }

 private:
  std::vector<Point> deck_;
  std::vector<DealParty> parties_;
  std::vector<DealMessage> messages_;
};

// A third party's check of a whole hand from its starting transcript and the messages alone.
bool ReplayDeal(const std::vector<Point>& deck, std::size_t parties, const Transcript& hand,
                const std::vector<DealMessage>& messages);

}  // namespace truco::proof
