#include "net/fair/joint_deal.h"

#include <sodium.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "net/fair/deal_group.h"

namespace truco::net {

using namespace deal_group;

namespace {

static_assert(crypto_core_ristretto255_BYTES == kDealBytes);
static_assert(crypto_core_ristretto255_SCALARBYTES == kDealBytes);
static_assert(crypto_core_ristretto255_HASHBYTES == 64);

// A list of an earlier hand is recognised for this many hands.
constexpr std::size_t kRememberedHands = 64;
constexpr std::array<Suit, kNumSuits> kWireSuits{Suit::Clubs, Suit::Hearts, Suit::Spades,
                                                 Suit::Diamonds};

void EnsureSodium() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sodium_init() < 0) std::abort();  // no safe randomness: nothing may be dealt
  });
}

DealBytes Commit(const DealBytes& secret) {
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, kDealBytes);
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(kCommitLabel.data()),
                            kCommitLabel.size());
  crypto_generichash_update(&state, secret.data(), secret.size());
  DealBytes out{};
  crypto_generichash_final(&state, Data(out), out.size());
  return out;
}

int CardIndex(Card card) {
  return (card.Value - 1) * kNumSuits + DrawOfSuit(card.suit);
}

}  // namespace

std::vector<Card> DealDeck(char deck_type) {
  std::vector<Card> deck;
  for (std::uint8_t value : DeckValues(deck_type)) {
    for (Suit suit : kWireSuits) deck.push_back(Card{value, suit});
  }
  return deck;
}

DealBytes CardPoint(Card card) {
  // Hashing to the group costs about as much as a multiplication: once per card and run.
  static std::array<DealBytes, 13 * kNumSuits> cache{};
  static std::once_flag once;
  std::call_once(once, [] {
    EnsureSodium();
    for (int value = 1; value <= kRei; ++value) {
      for (Suit suit : kWireSuits) {
        const Card c{static_cast<std::uint8_t>(value), suit};
        std::string id(kCardLabel);
        id += std::to_string(value);
        id += '-';
        id += SuitDigit(suit);
        std::array<std::uint8_t, crypto_core_ristretto255_HASHBYTES> hash{};
        crypto_generichash(hash.data(), hash.size(),
                           reinterpret_cast<const unsigned char*>(id.data()), id.size(), nullptr,
                           0);
        crypto_core_ristretto255_from_hash(Data(cache[static_cast<std::size_t>(CardIndex(c))]),
                                           hash.data());
      }
    }
  });
  return cache[static_cast<std::size_t>(CardIndex(card))];
}

DealEntropy::DealEntropy() {
  EnsureSodium();
}

DealEntropy::DealEntropy(std::uint64_t seed) : seeded_(true) {
  EnsureSodium();
  std::array<std::uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(seed >> (8 * i));
  crypto_generichash(seed_.data(), seed_.size(), bytes.data(), bytes.size(), nullptr, 0);
}

void DealEntropy::Bytes(std::uint8_t* out, std::size_t size) {
  // Each draw has its own sub-seed, keyed by the seed and a counter.
  std::array<std::uint8_t, 8> count{};
  for (std::size_t i = 0; i < count.size(); ++i) {
    count[i] = static_cast<std::uint8_t>(counter_ >> (8 * i));
  }
  ++counter_;
  std::array<std::uint8_t, randombytes_SEEDBYTES> sub{};
  crypto_generichash(sub.data(), sub.size(), count.data(), count.size(), seed_.data(),
                     seed_.size());
  randombytes_buf_deterministic(out, size, sub.data());
}

DealBytes DealEntropy::Scalar() {
  DealBytes s{};
  do {
    if (seeded_) {
      std::array<std::uint8_t, crypto_core_ristretto255_NONREDUCEDSCALARBYTES> wide{};
      Bytes(wide.data(), wide.size());
      crypto_core_ristretto255_scalar_reduce(Data(s), wide.data());
    } else {
      crypto_core_ristretto255_scalar_random(Data(s));
    }
  } while (sodium_is_zero(s.data(), s.size()));
  return s;
}

std::uint32_t DealEntropy::Uniform(std::uint32_t upper) {
  if (!seeded_) return randombytes_uniform(upper);
  // Reject the top values that would favour the low numbers.
  const std::uint32_t limit = static_cast<std::uint32_t>(-upper) % upper;
  for (;;) {
    std::array<std::uint8_t, 4> b{};
    Bytes(b.data(), b.size());
    const std::uint32_t r =
        static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    if (r >= limit) return r % upper;
  }
}

bool IsProtocolError(DealFault fault) {
  return fault == DealFault::InvalidPoint || fault == DealFault::InvalidKey ||
         fault == DealFault::WrongLength || fault == DealFault::BadLine;
}

std::string FaultText(DealFault fault, Side cheater) {
  return FaultText(fault, cheater == Side::Host ? "O anfitrião" : "O convidado");
}

std::string FaultText(DealFault fault, std::string_view cheater) {
  const std::string who(cheater);
  switch (fault) {
    case DealFault::None:
      return "";
    case DealFault::InvalidPoint:
      return who + " enviou um ponto que não é do grupo";
    case DealFault::InvalidKey:
      return who + " revelou uma chave inválida";
    case DealFault::WrongLength:
      return who + " enviou uma lista do tamanho errado";
    case DealFault::RepeatedPoint:
      return who + " enviou uma lista que repete uma carta";
    case DealFault::ReplayedList:
      return who + " repetiu a lista de uma mão anterior";
    case DealFault::NotACard:
      return who + " abriu uma carta que não é do baralho";
    case DealFault::FalseAnnounce:
      return who + " jogou uma carta que não pode ter";
    case DealFault::KeyNotCommitted:
      return who + " revelou uma chave diferente da que usou";
    case DealFault::ListNotDeck:
      return who + " enviou uma lista que não era o baralho embaralhado";
    case DealFault::WrongOpening:
      return who + " abriu uma carta de outra posição";
    case DealFault::AnnouncedNotHeld:
      return who + " jogou uma carta que não recebeu";
    case DealFault::HiddenNotHeld:
      return who + " escondeu uma carta que não tinha";
    case DealFault::NoReveal:
      return who + " não revelou sua chave";
    case DealFault::OutOfTurn:
      return who + " enviou uma mensagem do baralho fora de hora";
    case DealFault::ForgedOpening:
      return who + " abriu uma carta com uma prova falsa";
    case DealFault::ChangedLine:
      return who + " reenviou uma mensagem do baralho diferente da primeira";
    case DealFault::BadLine:
      return who + " enviou uma mensagem do baralho malformada";
  }
  return "";
}

std::optional<DealFault> CheatOfNumber(int number) {
  if (number < 1 || number > kLastDealFault) return std::nullopt;
  const auto fault = static_cast<DealFault>(number);
  if (IsProtocolError(fault)) return std::nullopt;
  return fault;
}

JointDeal::JointDeal(Side side, DealEntropy& entropy) : side_(side), entropy_(&entropy) {
  EnsureSodium();
}

void JointDeal::NewHand(char deck_type, bool vira_turned) {
  deck_type_ = deck_type;
  vira_turned_ = vira_turned;
  deck_ = DealDeck(deck_type);
  secret_ = {};
  inverse_ = {};
  peer_commitment_ = {};
  have_peer_commitment_ = false;
  first_.clear();
  first_cards_.clear();
  blinded_.clear();
  final_.clear();
  final_from_.clear();
  own_ = {};
  vira_.reset();
  openings_ = {};
  announced_ = {};
  hidden_ = {};
  plays_ = {};
  card_at_ = {};
  verified_ = false;
  earlier_.emplace_back();
  if (earlier_.size() > kRememberedHands) {
    for (const DealBytes& p : earlier_.front()) seen_.erase(p);
    earlier_.pop_front();
  }
}

bool JointDeal::SeenEarlier(const DealBytes& point) const {
  return seen_.count(point) != 0;
}

void JointDeal::Remember(const std::vector<DealBytes>& points) {
  if (earlier_.empty()) earlier_.emplace_back();
  earlier_.back().insert(earlier_.back().end(), points.begin(), points.end());
  seen_.insert(points.begin(), points.end());
}

std::vector<std::uint32_t> JointDeal::Permutation(std::size_t size) {
  std::vector<std::uint32_t> perm(size);
  for (std::size_t i = 0; i < size; ++i) perm[i] = static_cast<std::uint32_t>(i);
  if (!shuffle_) return perm;
  for (std::size_t i = size; i > 1; --i) {
    const std::uint32_t j = entropy_->Uniform(static_cast<std::uint32_t>(i));
    std::swap(perm[i - 1], perm[j]);
  }
  return perm;
}

DealList JointDeal::HostList() {
  secret_ = entropy_->Scalar();
  crypto_core_ristretto255_scalar_invert(Data(inverse_), secret_.data());
  first_cards_ = Permutation(deck_.size());
  first_.clear();
  for (std::uint32_t index : first_cards_) {
    // A card's point times a non-zero scalar is never the identity (the group has prime order).
    first_.push_back(Mul(secret_, CardPoint(deck_[index])).value_or(DealBytes{}));
  }
  Remember(first_);
  return DealList{Commit(secret_), first_};
}

DealFault JointDeal::TakeList(const DealList& list) {
  const bool expected = side_ == Side::Guest ? first_.empty() : !first_.empty() && final_.empty();
  if (!expected) return DealFault::None;  // out of step: ignored
  if (list.points.size() != deck_.size()) return DealFault::WrongLength;
  if (side_ == Side::Guest) {
    // The guest's layer goes on at once: multiplying decodes each point, which is its check.
    secret_ = entropy_->Scalar();
    crypto_core_ristretto255_scalar_invert(Data(inverse_), secret_.data());
    blinded_.clear();
    for (const DealBytes& p : list.points) {
      const auto q = Mul(secret_, p);
      if (!q) return DealFault::InvalidPoint;
      blinded_.push_back(*q);
    }
  } else {
    for (const DealBytes& p : list.points) {
      if (!ValidPoint(p)) return DealFault::InvalidPoint;
    }
  }
  for (const DealBytes& p : list.points) {
    if (SeenEarlier(p)) return DealFault::ReplayedList;
  }
  std::vector<DealBytes> sorted = list.points;
  std::sort(sorted.begin(), sorted.end());
  if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
    return DealFault::RepeatedPoint;
  }
  peer_commitment_ = list.commitment;
  have_peer_commitment_ = true;
  (side_ == Side::Guest ? first_ : final_) = list.points;
  Remember(list.points);
  return DealFault::None;
}

DealList JointDeal::GuestList() {
  final_from_ = Permutation(first_.size());
  final_.clear();
  for (std::uint32_t from : final_from_) final_.push_back(blinded_[from]);
  Remember(final_);
  return DealList{Commit(secret_), final_};
}

bool JointDeal::OwnPosition(int position) const {
  return position >= DealPosition(side_, 1) && position <= DealPosition(side_, 3);
}

bool JointDeal::PeerPosition(int position) const {
  return position >= DealPosition(Peer(), 1) && position <= DealPosition(Peer(), 3);
}

std::vector<Unlock> JointDeal::Openings() {
  std::vector<Unlock> out;
  if (final_.size() < static_cast<std::size_t>(kDealPositions)) return out;
  for (int position = 1; position <= kDealPositions; ++position) {
    if (!PeerPosition(position) && !(position == kViraPosition && vira_turned_)) continue;
    const auto point = Mul(inverse_, final_[static_cast<std::size_t>(position - 1)]);
    out.push_back(Unlock{position, point.value_or(DealBytes{})});
  }
  return out;
}

DealFault JointDeal::TakeOpening(const Unlock& opening) {
  const int p = opening.position;
  const bool mine = OwnPosition(p) || (p == kViraPosition && vira_turned_);
  if (!HasFinalList() || !mine) return DealFault::None;
  auto& kept = openings_[static_cast<std::size_t>(p)];
  if (kept) return DealFault::None;  // the first opening counts
  // Multiplying decodes the point: an invalid one fails here.
  const auto point = Mul(inverse_, opening.point);
  if (!point) return DealFault::InvalidPoint;
  const auto found = std::find_if(deck_.begin(), deck_.end(),
                                  [&](const Card& c) { return CardPoint(c) == *point; });
  if (found == deck_.end()) return DealFault::NotACard;
  const bool shown = vira_ == *found || std::find(own_.begin(), own_.end(), *found) != own_.end();
  if (shown) return DealFault::NotACard;
  kept = opening.point;
  if (p == kViraPosition) {
    vira_ = *found;
  } else {
    own_[static_cast<std::size_t>(p - DealPosition(side_, 1))] = *found;
  }
  return DealFault::None;
}

std::optional<Card> JointDeal::OwnCard(int slot) const {
  if (slot < 1 || slot > 3) return std::nullopt;
  return own_[static_cast<std::size_t>(slot - 1)];
}

bool JointDeal::Dealt() const {
  return std::all_of(own_.begin(), own_.end(), [](const auto& c) { return c.has_value(); }) &&
         (!vira_turned_ || vira_.has_value());
}

std::optional<Card> JointDeal::OpenedCard(int position) const {
  if (position == kViraPosition && vira_turned_) return vira_;
  if (!OwnPosition(position)) return std::nullopt;
  return own_[static_cast<std::size_t>(position - DealPosition(side_, 1))];
}

Announce JointDeal::AnnounceOwn(int slot) const {
  return Announce{DealPosition(side_, slot), OwnCard(slot).value_or(Card{})};
}

DealFault JointDeal::TakeAnnounce(const Announce& announce) {
  const int p = announce.position;
  if (!PeerPosition(p)) return DealFault::None;  // not a card of the peer: ignored
  const Card card = announce.card;
  auto& kept = announced_[static_cast<std::size_t>(p)];
  if (kept == card) return DealFault::None;
  const bool in_deck = std::find(deck_.begin(), deck_.end(), card) != deck_.end();
  const bool seen = vira_ == card || std::find(own_.begin(), own_.end(), card) != own_.end() ||
                    std::find(announced_.begin(), announced_.end(), card) != announced_.end();
  if (!in_deck || seen || kept) return DealFault::FalseAnnounce;
  kept = card;
  ++plays_[static_cast<std::size_t>(p)];
  return DealFault::None;
}

void JointDeal::TakeHidden(int slot) {
  if (slot < 1 || slot > 3) return;
  const auto p = static_cast<std::size_t>(DealPosition(Peer(), slot));
  hidden_[p] = true;
  ++plays_[p];
}

std::optional<DealBytes> JointDeal::HandId() const {
  if (side_ == Side::Host) {
    if (first_.empty()) return std::nullopt;
    return Commit(secret_);
  }
  if (!have_peer_commitment_) return std::nullopt;
  return peer_commitment_;
}

std::optional<Card> JointDeal::CardAt(int position) const {
  if (position < 1 || position > kDealPositions) return std::nullopt;
  return card_at_[static_cast<std::size_t>(position)];
}

DealFault JointDeal::TakeReveal(const RevealKey& key) {
  if (verified_) return DealFault::None;
  const DealFault fault = CheckEnd(key.scalar);
  verified_ = fault == DealFault::None;
  return fault;
}

DealFault JointDeal::CheckEnd(const DealBytes& peer_secret) {
  if (!CanonicalScalar(peer_secret)) return DealFault::InvalidKey;
  if (!have_peer_commitment_) return DealFault::None;  // the hand went before the peer's list
  if (Commit(peer_secret) != peer_commitment_) return DealFault::KeyNotCommitted;

  // The deck index behind each entry of the final list, recomputed from both secrets.
  std::vector<std::uint32_t> final_cards;
  if (side_ == Side::Host) {
    if (final_.empty()) return DealFault::None;
    // The guest's list must be b times this side's list, in some order.
    std::map<DealBytes, std::uint32_t> from;
    for (std::uint32_t i = 0; i < first_.size(); ++i) {
      const auto p = Mul(peer_secret, first_[i]);
      if (p) from.emplace(*p, i);
    }
    std::vector<bool> used(first_.size());
    std::vector<std::uint32_t> final_from;
    for (const DealBytes& p : final_) {
      const auto it = from.find(p);
      if (it == from.end() || used[it->second]) return DealFault::ListNotDeck;
      used[it->second] = true;
      final_from.push_back(it->second);
      final_cards.push_back(first_cards_[it->second]);
    }
    // What the guest owed this side for a position: b^-1 times it, that is this side's entry.
    for (int p = 1; p <= kDealPositions; ++p) {
      const auto& opened = openings_[static_cast<std::size_t>(p)];
      if (opened && *opened != first_[final_from[static_cast<std::size_t>(p - 1)]]) {
        return DealFault::WrongOpening;
      }
    }
  } else {
    // The host's list must be a times the deck, in some order.
    std::map<DealBytes, std::uint32_t> card_of;
    for (std::uint32_t k = 0; k < deck_.size(); ++k) {
      const auto p = Mul(peer_secret, CardPoint(deck_[k]));
      if (p) card_of.emplace(*p, k);
    }
    std::vector<std::uint32_t> first_cards;
    std::vector<bool> used(deck_.size());
    for (const DealBytes& p : first_) {
      const auto it = card_of.find(p);
      if (it == card_of.end() || used[it->second]) return DealFault::ListNotDeck;
      used[it->second] = true;
      first_cards.push_back(it->second);
    }
    if (final_.empty()) return DealFault::None;
    for (std::uint32_t from : final_from_) final_cards.push_back(first_cards[from]);
  }
  for (int p = 1; p <= kDealPositions; ++p) {
    card_at_[static_cast<std::size_t>(p)] = deck_[final_cards[static_cast<std::size_t>(p - 1)]];
  }
  if (side_ == Side::Guest) {
    // The host owed a^-1 times the final entry, that is b times the card there. This side found
    // its card by removing b, so the opening was right exactly when that card is the one the
    // checked lists put there: no multiplication needed.
    for (int p = 1; p <= kDealPositions; ++p) {
      if (openings_[static_cast<std::size_t>(p)] &&
          OpenedCard(p) != card_at_[static_cast<std::size_t>(p)]) {
        return DealFault::WrongOpening;
      }
    }
  }
  for (int p = 1; p <= kDealPositions; ++p) {
    const auto i = static_cast<std::size_t>(p);
    // This side opened the peer's card honestly from the checked final list, so the peer held
    // exactly the card the lists put there; one who announces another did not hold it.
    if (announced_[i] && announced_[i] != card_at_[i]) return DealFault::AnnouncedNotHeld;
    if (hidden_[i] && plays_[i] != 1) return DealFault::HiddenNotHeld;
  }
  return DealFault::None;
}

}  // namespace truco::net
