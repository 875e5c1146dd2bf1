#include "net/proof/deal.h"

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

namespace truco::proof {

std::vector<Point> DeckPoints(std::string_view label, std::size_t size) {
  std::vector<Point> deck;
  deck.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    std::string id(label);
    id += '/';
    id += std::to_string(i);
    deck.push_back(HashToPoint(std::string_view(id)));
  }
  // Equal points would make two cards one: a hash collision nobody will see.
  if (std::set<Point>(deck.begin(), deck.end()).size() != size) std::abort();
  return deck;
}

Bytes DealMessage::Serialize() const {
  Bytes out{static_cast<std::uint8_t>(kind), static_cast<std::uint8_t>(party),
            static_cast<std::uint8_t>(position), static_cast<std::uint8_t>(card),
            static_cast<std::uint8_t>(points.size())};
  for (const Point& p : points) Append(out, p);
  out.insert(out.end(), proof.begin(), proof.end());
  return out;
}

DealView::DealView(std::vector<Point> deck, std::size_t parties, const Transcript& hand)
    : deck_(std::move(deck)),
      parties_(parties),
      transcript_(hand),
      current_(deck_.size()),
      removed_(deck_.size()),
      announced_(deck_.size()) {
  if (parties_ < kMinParties || parties_ > kMaxParties || deck_.size() < kMinShuffle) {
    std::abort();
  }
  transcript_.Append("deal", std::string_view("multi-party"));
  transcript_.Append("parties", static_cast<std::uint64_t>(parties_));
  transcript_.Append("deck", std::span<const Point>(deck_));
}

const std::vector<Point>& DealView::last_list() const {
  return lists_.empty() ? deck_ : lists_.back();
}

bool DealView::Removed(std::size_t position, std::size_t party) const {
  return (removed_[position] >> party & 1U) != 0;
}

Transcript DealView::ProofTranscript(const DealMessage& m) const {
  Transcript t = transcript_;
  t.Append("message", static_cast<std::uint64_t>(m.kind));
  t.Append("party", static_cast<std::uint64_t>(m.party));
  t.Append("position", static_cast<std::uint64_t>(m.position));
  t.Append("card", static_cast<std::uint64_t>(m.card));
  return t;
}

bool DealView::Check(const Transcript& t, const DealMessage& m) const {
  const Point base = BasePoint();
  switch (m.kind) {
    case MessageKind::Key:
      return ValidPoint(m.points[0]);
    case MessageKind::Shuffle: {
      const auto proof = ShuffleProof::Parse(m.proof, deck_.size());
      return proof && VerifyShuffle(t, last_list(), m.points, keys_[m.party], *proof);
    }
    case MessageKind::Opening: {
      const auto proof = DleqProof::Parse(m.proof);
      return proof &&
             VerifyDleq(t, {base, keys_[m.party], m.points[0], current_[m.position]}, *proof);
    }
    case MessageKind::Announce: {
      const auto proof = DleqProof::Parse(m.proof);
      return proof &&
             VerifyDleq(t, {base, keys_[m.party], deck_[m.card], current_[m.position]}, *proof);
    }
  }
  return false;
}

bool DealView::Take(const DealMessage& m, bool check) {
  // Each kind in its step, from the party whose turn it is, with its fields' counts.
  const std::size_t n = deck_.size();
  if (m.party >= parties_) return false;
  bool in_order = false;
  switch (m.kind) {
    case MessageKind::Key:
      in_order = m.party == keys_.size() && m.points.size() == 1 && m.proof.empty();
      break;
    case MessageKind::Shuffle:
      in_order = keys_.size() == parties_ && m.party == lists_.size() && m.points.size() == n;
      break;
    case MessageKind::Opening:
      in_order = Dealt() && m.position < n && !Removed(m.position, m.party) &&
                 m.points.size() == 1 && !announced_[m.position];
      break;
    case MessageKind::Announce:
      in_order = Dealt() && m.position < n && m.card < n && m.points.empty() &&
                 !announced_[m.position] &&
                 removed_[m.position] == ((1U << parties_) - 1 - (1U << m.party));
      break;
  }
  if (!in_order) return false;
  Transcript t = ProofTranscript(m);
  if (check && !Check(t, m)) return false;
  t.Append("points", std::span<const Point>(m.points));
  t.Append("proof", std::span<const std::uint8_t>(m.proof));
  transcript_ = t;
  switch (m.kind) {
    case MessageKind::Key:
      keys_.push_back(m.points[0]);
      break;
    case MessageKind::Shuffle:
      lists_.push_back(m.points);
      if (Dealt()) current_ = lists_.back();
      break;
    case MessageKind::Opening:
      current_[m.position] = m.points[0];
      removed_[m.position] = static_cast<std::uint8_t>(removed_[m.position] | 1U << m.party);
      break;
    case MessageKind::Announce:
      current_[m.position] = deck_[m.card];
      removed_[m.position] = static_cast<std::uint8_t>((1U << parties_) - 1);
      announced_[m.position] = m.card;
      break;
  }
  return true;
}

DealParty::DealParty(std::size_t index, std::vector<Point> deck, std::size_t parties,
                     const Transcript& hand)
    : index_(index), view_(std::move(deck), parties, hand) {}

DealMessage DealParty::KeyMessage() {
  secret_ = RandomScalar();
  inverse_ = Invert(secret_);
  DealMessage m;
  m.kind = MessageKind::Key;
  m.party = index_;
  m.points = {MulBase(secret_)};
  return m;
}

void DealParty::RestoreSecret(const Scalar& secret) {
  secret_ = secret;
  inverse_ = Invert(secret_);
}

DealMessage DealParty::ShuffleMessage() {
  const std::vector<Point>& input = view_.last_list();
  permutation_ = RandomPermutation(input.size());
  DealMessage m;
  m.kind = MessageKind::Shuffle;
  m.party = index_;
  m.points = ApplyShuffle(input, secret_, permutation_);
  m.proof = ProveShuffle(view_.ProofTranscript(m), input, m.points, view_.keys()[index_], secret_,
                         permutation_)
                .Serialize();
  return m;
}

DealMessage DealParty::OpeningMessage(std::size_t position) const {
  DealMessage m;
  m.kind = MessageKind::Opening;
  m.party = index_;
  m.position = position;
  const Point& before = view_.Current(position);
  m.points = {Mul(inverse_, before)};
  m.proof = ProveDleq(view_.ProofTranscript(m),
                      {BasePoint(), view_.keys()[index_], m.points[0], before}, secret_)
                .Serialize();
  return m;
}

DealMessage DealParty::AnnounceMessage(std::size_t position) const {
  DealMessage m;
  m.kind = MessageKind::Announce;
  m.party = index_;
  m.position = position;
  m.card = CardAt(position).value_or(0);
  m.proof =
      ProveDleq(view_.ProofTranscript(m),
                {BasePoint(), view_.keys()[index_], view_.deck()[m.card], view_.Current(position)},
                secret_)
          .Serialize();
  return m;
}

std::optional<std::size_t> DealParty::CardAt(std::size_t position) const {
  if (!view_.Dealt() || position >= view_.deck().size()) return std::nullopt;
  if (const auto announced = view_.Announced(position)) return announced;
  for (std::size_t i = 0; i < view_.parties(); ++i) {
    if (i != index_ && !view_.Removed(position, i)) return std::nullopt;
  }
  const Point card = view_.Removed(position, index_) ? view_.Current(position)
                                                     : Mul(inverse_, view_.Current(position));
  const auto& deck = view_.deck();
  const auto at = std::find(deck.begin(), deck.end(), card);
  if (at == deck.end()) return std::nullopt;
  return static_cast<std::size_t>(at - deck.begin());
}

MemoryDeal::MemoryDeal(std::size_t parties, std::size_t deck_size, const Transcript& hand)
    : deck_(DeckPoints("truco-zanforte/proof/deck", deck_size)) {
  for (std::size_t i = 0; i < parties; ++i) parties_.emplace_back(i, deck_, parties, hand);
}

bool MemoryDeal::Broadcast(const DealMessage& message) {
  messages_.push_back(message);
  bool all = true;
  for (DealParty& p : parties_) all = p.Take(message) && all;
  return all;
}

bool MemoryDeal::Deal() {
  for (DealParty& p : parties_) {
    if (!Broadcast(p.KeyMessage())) return false;
  }
  for (DealParty& p : parties_) {
    if (!Broadcast(p.ShuffleMessage())) return false;
  }
  return true;
}

std::optional<std::size_t> MemoryDeal::Open(std::size_t position,
                                            std::optional<std::size_t> owner) {
  for (DealParty& p : parties_) {
    if (owner && p.index() == *owner) continue;
    if (!Broadcast(p.OpeningMessage(position))) return std::nullopt;
  }
  return parties_[owner.value_or(0)].CardAt(position);
}

bool MemoryDeal::Announce(std::size_t position, std::size_t owner) {
  return Broadcast(parties_[owner].AnnounceMessage(position));
}

bool ReplayDeal(const std::vector<Point>& deck, std::size_t parties, const Transcript& hand,
                const std::vector<DealMessage>& messages) {
  DealView view(deck, parties, hand);
  for (const DealMessage& m : messages) {
    if (!view.Take(m)) return false;
  }
  return true;
}

}  // namespace truco::proof
