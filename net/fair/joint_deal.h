#pragma once
// The joint deal of protocol version 3: both programs encrypt and shuffle the deck in turn
// (commutative encryption in libsodium's ristretto255 group, "mental poker"), so neither alone
// can see where a card lies or choose the deal. One JointDeal is one side's part in the hands of
// one game; plain C++ over libsodium, no Qt.
//
// One hand, in steps (positions of the final list count from 1):
// 1. Each card of the host's deck is a fixed point: ristretto255 from the BLAKE2b-512 hash of
//    kCardLabel followed by the card's id (value, "-", suit digit), the same on both sides.
// 2. The host draws a fresh secret a, multiplies every card by it, shuffles and sends the list
//    with its commitment H(a) ("L"). The guest draws b, multiplies every point of that list by
//    b, shuffles and sends the result with H(b) ("L"): the final list.
// 3. Positions 1..3 are the guest's slots 1..3, 4..6 the host's, 7 the vira. Each side removes
//    its layer (multiplies by the inverse of its secret) from the other's three positions and,
//    when the vira is turned, from position 7, and sends them ("Q"). The owner removes its own
//    layer and finds the card among the deck's points.
// 4. A card played face up is announced by its owner with its position ("Y"); a card played
//    face down never travels.
// 5. When the hand ends or is dropped, both reveal their secrets ("X"). Each side recomputes the
//    encrypted deck and checks every deal message it received in the hand.
//
// Checks:
// - Every point received must be a group element other than the identity, every revealed
//   secret a canonical non-zero scalar, a list as long as the deck: otherwise a protocol error.
// - At once: a list never repeats a point nor holds one of an earlier list (of this hand or an
//   earlier one); an opened card is a card of the deck that the hand has not shown yet; an
//   announced card is not one this side holds or sees, nor announced before.
// - At the end: the secret is the one committed to; the peer's list is a permutation of the
//   encrypted deck (the host's: of a times the deck; the guest's: of b times the host's list);
//   every opening lies at the position it was sent for; every announced card is the one this
//   side's opening gave its owner; every face-down card lay at a position of its owner that was
//   not played twice.
// A failed check names its fault; the hand's owner ends the game on it.
//
// Choices:
// - Randomness comes from libsodium (crypto_core_ristretto255_scalar_random, randombytes_uniform).
//   A test hook seeds it instead (randombytes_buf_deterministic), so a hand can be replayed.
// - A message that comes out of its step (an opening before the final list, a second list) is
//   ignored, as the game ignores any message it may not act on at that moment.

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cards.h"
#include "net/wire/protocol.h"

namespace truco::net {

// The label that makes the deck's points ours (step 1).
inline constexpr std::string_view kCardLabel = "truco-zanforte/v3/card/";
// The label of the commitment to a secret: BLAKE2b-256 of the label followed by the scalar.
inline constexpr std::string_view kCommitLabel = "truco-zanforte/v3/commit/";

// Positions of the final list.
inline constexpr int kDealPositions = 7;
inline constexpr int kViraPosition = 7;
// The position of `owner`'s slot 1..3.
constexpr int DealPosition(Side owner, int slot) {
  return owner == Side::Guest ? slot : 3 + slot;
}

// The deck of the host's setting in a fixed order (values as DeckValues, suits by wire digit).
std::vector<Card> DealDeck(char deck_type);
// The card's fixed point (step 1).
DealBytes CardPoint(Card card);

// The joint deal's randomness: libsodium's random source, or a seed for replays and tests.
class DealEntropy {
 public:
  DealEntropy();
  // Test hook: every secret and shuffle comes from this seed, so the same seed deals the same.
  explicit DealEntropy(std::uint64_t seed);

  // A uniform non-zero scalar.
  DealBytes Scalar();
  // A uniform number in 0 .. upper - 1 (upper > 0).
  std::uint32_t Uniform(std::uint32_t upper);

 private:
  void Bytes(std::uint8_t* out, std::size_t size);

  bool seeded_ = false;
  std::array<std::uint8_t, 32> seed_{};
  std::uint64_t counter_ = 0;
};

// Why a deal check failed.
enum class DealFault : std::uint8_t {
  None,
  // Protocol errors.
  InvalidPoint,  // a point that is no group element (or the identity)
  InvalidKey,    // a revealed secret that is no canonical non-zero scalar
  WrongLength,   // a list not as long as the deck
  // Cheats found at once.
  RepeatedPoint,  // a list holds the same point twice
  ReplayedList,   // a list holds a point of an earlier list
  NotACard,       // an opened card is no card of the deck, or one the hand already showed
  FalseAnnounce,  // an announced card is held or seen here, or was announced before
  // Cheats found when the secrets are revealed.
  KeyNotCommitted,   // the revealed secret is not the one committed to
  ListNotDeck,       // the peer's list is not the encrypted deck shuffled
  WrongOpening,      // an opened card does not lie at the position it was sent for
  AnnouncedNotHeld,  // an announced card does not lie where its owner said
  HiddenNotHeld,     // a face-down card lay at no free position of its owner
  NoReveal,          // a new hand came before the last one's secret (found by the guest)
  // Version 4 (net/fair/proven_deal.h), found at once; a list whose shuffle proof fails is
  // ListNotDeck, an announcement whose proof fails AnnouncedNotHeld.
  OutOfTurn,      // a deal line that is not the one its step expects from that party
  ForgedOpening,  // an opening whose proof fails
  ChangedLine,    // a line sent again on resume that differs from the one taken there
  BadLine,        // protocol error: a deal line out of form
};
// The number a fault travels as in "S" (its place in the list above).
inline constexpr int kLastDealFault = static_cast<int>(DealFault::BadLine);

// Protocol errors end the connection as a broken peer; the rest are cheats.
bool IsProtocolError(DealFault fault);
// The reason, in the player's words, naming the side that cheated; the same on both screens
// (shown after "Trapaça detectada: a partida foi anulada").
std::string FaultText(DealFault fault, Side cheater);
// The same reason after `who` ("O anfitrião", "O jogador 3").
std::string FaultText(DealFault fault, std::string_view who);
// A cheat's number from "S", or nothing for a number that names no cheat.
std::optional<DealFault> CheatOfNumber(int number);

class JointDeal {
 public:
  // `entropy` must outlive the deal (and its copies).
  JointDeal(Side side, DealEntropy& entropy);

  // A new hand on the deck of the host's setting; `vira_turned` (manilha nova) opens position 7.
  // The last hand's points are kept to spot a replayed list.
  void NewHand(char deck_type, bool vira_turned);

  // Host, step 2: its list, once per hand.
  DealList HostList();
  // Step 2, the peer's list: the guest takes the host's, the host the guest's (the final one).
  DealFault TakeList(const DealList& list);
  // Guest, step 2: the final list, after taking the host's.
  DealList GuestList();

  // Step 3: what this side owes the other once the final list is known (the other's three
  // positions, then the vira when turned).
  std::vector<Unlock> Openings();
  DealFault TakeOpening(const Unlock& opening);

  // What this side knows of the hand.
  [[nodiscard]] bool HasFinalList() const { return !final_.empty(); }
  // The peer's list came (so it has a secret to reveal for this hand).
  [[nodiscard]] bool PeerCommitted() const { return have_peer_commitment_; }
  [[nodiscard]] std::optional<Card> OwnCard(int slot) const;
  [[nodiscard]] std::optional<Card> Vira() const { return vira_; }
  // This side's three cards and (when turned) the vira are known.
  [[nodiscard]] bool Dealt() const;

  // Step 4: this side plays its slot face up.
  Announce AnnounceOwn(int slot) const;
  // The peer played face up: the card it says lies at its position.
  DealFault TakeAnnounce(const Announce& announce);
  // The peer played its slot face down.
  void TakeHidden(int slot);

  // Step 5.
  [[nodiscard]] RevealKey Reveal() const { return RevealKey{secret_, std::nullopt}; }
  // Runs every end-of-hand check once both lists are known; None when all pass.
  DealFault TakeReveal(const RevealKey& key);
  // The peer's secret has been revealed and every check passed.
  [[nodiscard]] bool Verified() const { return verified_; }
  // The hand's name: the commitment the host's list carried (both sides know it once the host's
  // list is out); nothing before.
  [[nodiscard]] std::optional<DealBytes> HandId() const;
  // The card at each of the seven positions, known once verified (for tests and replays).
  [[nodiscard]] std::optional<Card> CardAt(int position) const;

  // The secret this side drew for the hand (revealed again for a hand cut off with a
  // connection; tests forge cheats with it).
  [[nodiscard]] const DealBytes& secret() const { return secret_; }
  // Test hook: a side that does not shuffle (the other's shuffle alone must make the deal
  // uniform).
  void set_shuffle(bool shuffle) { shuffle_ = shuffle; }
  [[nodiscard]] Side side() const { return side_; }
  [[nodiscard]] char deck_type() const { return deck_type_; }

  // This side's part of an open hand as one line, and back, so that a program closed in the
  // middle of a hand goes on with the same deal. It holds the secret: it is kept only in a file
  // its user alone may read.
  [[nodiscard]] std::string SavedText() const;
  // Nothing unless the text is a hand this side could have reached: every point a group element,
  // its lists made with its secret, its cards the ones its openings gave. The earlier hands'
  // lists are not kept. `entropy` as for the constructor.
  static std::optional<JointDeal> Restore(std::string_view text, DealEntropy& entropy);
  // A deal taken from a file draws the next hand's secret from its game's randomness.
  void UseEntropy(DealEntropy& entropy) { entropy_ = &entropy; }

 private:
  [[nodiscard]] Side Peer() const { return side_ == Side::Host ? Side::Guest : Side::Host; }
  [[nodiscard]] bool OwnPosition(int position) const;
  [[nodiscard]] bool PeerPosition(int position) const;
  // The card this side found at one of its positions (its own three, or the vira).
  [[nodiscard]] std::optional<Card> OpenedCard(int position) const;
  [[nodiscard]] bool SeenEarlier(const DealBytes& point) const;
  void Remember(const std::vector<DealBytes>& points);
  std::vector<std::uint32_t> Permutation(std::size_t size);
  DealFault CheckEnd(const DealBytes& peer_secret);

  Side side_;
  DealEntropy* entropy_;
  bool shuffle_ = true;

  char deck_type_ = kBaralhoSujo;
  bool vira_turned_ = true;
  std::vector<Card> deck_;
  DealBytes secret_{};
  DealBytes inverse_{};
  DealBytes peer_commitment_{};
  bool have_peer_commitment_ = false;
  // Host: its list (a times the deck, shuffled) and the deck index behind each entry.
  // Guest: the host's list as received.
  std::vector<DealBytes> first_;
  std::vector<std::uint32_t> first_cards_;  // host only
  // The final list; the guest also keeps which entry of the first list each came from.
  std::vector<DealBytes> final_;
  std::vector<std::uint32_t> final_from_;  // guest only
  std::vector<DealBytes> blinded_;         // guest: b times the host's list, in its order
  std::array<std::optional<Card>, 3> own_{};
  std::optional<Card> vira_;
  // Received from the peer, by position 1..7.
  std::array<std::optional<DealBytes>, kDealPositions + 1> openings_{};
  std::array<std::optional<Card>, kDealPositions + 1> announced_{};
  std::array<bool, kDealPositions + 1> hidden_{};
  std::array<int, kDealPositions + 1> plays_{};  // plays of the peer per position
  std::array<std::optional<Card>, kDealPositions + 1> card_at_{};
  bool verified_ = false;
  // Points of the lists of this hand and the earlier ones (a bounded number of hands), by hand
  // and all together.
  std::deque<std::vector<DealBytes>> earlier_;
  std::set<DealBytes> seen_;
};

}  // namespace truco::net
