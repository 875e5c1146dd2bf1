#include "net/fair/proven_deal.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace truco::net {

using proof::DealMessage;
using proof::MessageKind;

namespace {

constexpr std::size_t kSlots = 3;

// The party a well-formed deal line names (its first field, from 1 on the wire).
std::size_t LineParty(std::string_view line) {
  std::size_t n = 0;
  for (std::size_t i = 1; i < line.size() && line[i] != ','; ++i) {
    n = n * 10 + static_cast<std::size_t>(line[i] - '0');
  }
  return n - 1;
}

DealFault OfWireFault(proof::WireFault fault) {
  switch (fault) {
    case proof::WireFault::BadPoint:
      return DealFault::InvalidPoint;
    case proof::WireFault::PartSize:
      return DealFault::WrongLength;
    default:
      return DealFault::BadLine;
  }
}

// The fault of a message in its step whose proof fails.
DealFault UnprovenFault(MessageKind kind) {
  switch (kind) {
    case MessageKind::Shuffle:
      return DealFault::ListNotDeck;
    case MessageKind::Opening:
      return DealFault::ForgedOpening;
    case MessageKind::Announce:
      return DealFault::AnnouncedNotHeld;
    case MessageKind::Key:
      break;
  }
  return DealFault::OutOfTurn;
}

}  // namespace

bool IsProvenDealLine(std::string_view line) {
  if (line.empty()) return false;
  const char kind = line[0];
  return kind == proof::kKindKey || kind == proof::kKindList || kind == proof::kKindOpening ||
         kind == proof::kKindAnnounce || kind == proof::kKindFaceDown;
}

std::string ProvenFaultText(DealFault fault, std::size_t party, std::size_t parties) {
  if (parties == 2) return FaultText(fault, party == 0 ? Side::Host : Side::Guest);
  return FaultText(fault, "O jogador " + std::to_string(party + 1));
}

ProvenDeal::ProvenDeal(std::size_t parties, std::size_t index) : parties_(parties), index_(index) {
  if (parties_ < proof::kMinParties || parties_ > proof::kMaxParties || index_ >= parties_) {
    std::abort();
  }
  proof::EnsureSodium();
}

void ProvenDeal::Start(const ProvenHand& hand) {
  if (hand.names.size() != parties_ ||
      (hand.deck_type != kBaralhoSujo && hand.deck_type != kBaralhoLimpo)) {
    std::abort();  // the game's own inputs: never a peer's
  }
  hand_ = hand;
  deck_size_ = DeckValues(hand.deck_type).size() * kNumSuits;
  const proof::Transcript start = proof::HandTranscript({hand.names, hand.number});
  party_.emplace(index_, proof::WireDeck(deck_size_), parties_, start);
  reader_.emplace(proof::HandShape{parties_, deck_size_});
  has_secret_ = false;
  hidden_.assign(parties_, {});
  log_.clear();
  message_start_ = 0;
  taken_.assign(parties_, 0);
  fault_ = DealFault::None;
  next_ = 0;
  schedule_.clear();
  for (std::size_t p = 0; p < parties_; ++p) schedule_.push_back({MessageKind::Key, p, 0});
  for (std::size_t p = 0; p < parties_; ++p) schedule_.push_back({MessageKind::Shuffle, p, 0});
  // Openings in turns: the last to shuffle first, then 1, 2, …
  for (std::size_t turn = 0; turn < parties_; ++turn) {
    const std::size_t opener = (turn + parties_ - 1) % parties_;
    for (std::size_t owner = 0; owner < parties_; ++owner) {
      if (owner == opener) continue;
      for (std::size_t slot = 0; slot < kSlots; ++slot) {
        schedule_.push_back({MessageKind::Opening, opener, proof::SlotPosition(owner, slot)});
      }
    }
    if (hand.vira_turned) {
      schedule_.push_back({MessageKind::Opening, opener, proof::ViraPosition(parties_)});
    }
  }
}

std::vector<std::string> ProvenDeal::NewHand(const ProvenHand& hand) {
  Start(hand);
  return Pump();
}

void ProvenDeal::Send(const DealMessage& m, std::vector<std::string>& out) {
  party_->Take(m);
  for (std::string& line : proof::EncodeDeal(m, {parties_, deck_size_})) {
    log_.push_back({index_, line});
    out.push_back(std::move(line));
  }
}

std::vector<std::string> ProvenDeal::Pump() {
  std::vector<std::string> out;
  while (fault_ == DealFault::None && next_ < schedule_.size() &&
         schedule_[next_].party == index_) {
    const Expected& e = schedule_[next_];
    switch (e.kind) {
      case MessageKind::Key:
        Send(party_->KeyMessage(), out);
        has_secret_ = true;
        break;
      case MessageKind::Shuffle:
        Send(party_->ShuffleMessage(), out);
        break;
      case MessageKind::Opening:
        Send(party_->OpeningMessage(e.position), out);
        break;
      case MessageKind::Announce:
        break;
    }
    ++next_;
  }
  return out;
}

bool ProvenDeal::Expects(MessageKind kind, std::size_t party) const {
  return next_ < schedule_.size() && schedule_[next_].kind == kind &&
         schedule_[next_].party == party;
}

bool ProvenDeal::Dealt() const {
  return party_ && fault_ == DealFault::None && next_ == schedule_.size();
}

std::optional<Card> ProvenDeal::CardOf(std::optional<std::size_t> index) const {
  if (!index) return std::nullopt;
  const auto card = proof::CardOfIndex(deck_size_, *index);
  if (!card) return std::nullopt;
  const auto suit = SuitFromDigit(static_cast<char>('0' + card->suit));
  if (!suit) return std::nullopt;
  return Card{static_cast<std::uint8_t>(card->value), *suit};
}

std::optional<Card> ProvenDeal::OwnCard(int slot) const {
  if (!party_ || slot < 1 || slot > static_cast<int>(kSlots)) return std::nullopt;
  return CardOf(party_->CardAt(proof::SlotPosition(index_, static_cast<std::size_t>(slot - 1))));
}

std::optional<Card> ProvenDeal::Vira() const {
  if (!party_ || !hand_.vira_turned) return std::nullopt;
  return CardOf(party_->CardAt(proof::ViraPosition(parties_)));
}

bool ProvenDeal::HandOpen() const {
  for (int slot = 1; slot <= static_cast<int>(kSlots); ++slot) {
    if (!OwnCard(slot)) return false;
  }
  return !hand_.vira_turned || Vira().has_value();
}

bool ProvenDeal::Played(std::size_t party, std::size_t slot) const {
  return hidden_[party][slot] ||
         party_->view().Announced(proof::SlotPosition(party, slot)).has_value();
}

std::optional<std::string> ProvenDeal::Announce(int slot) {
  if (!Dealt() || slot < 1 || slot > static_cast<int>(kSlots)) return std::nullopt;
  const auto s = static_cast<std::size_t>(slot - 1);
  if (Played(index_, s) || !OwnCard(slot)) return std::nullopt;
  std::vector<std::string> out;
  Send(party_->AnnounceMessage(proof::SlotPosition(index_, s)), out);
  return out.front();
}

std::optional<std::string> ProvenDeal::FaceDown(int slot, int trick) {
  if (!Dealt() || slot < 1 || slot > static_cast<int>(kSlots) || trick < 2 || trick > 3) {
    return std::nullopt;
  }
  const auto s = static_cast<std::size_t>(slot - 1);
  if (Played(index_, s)) return std::nullopt;
  hidden_[index_][s] = true;
  std::string line = proof::EncodeFaceDown({index_, s, trick});
  log_.push_back({index_, line});
  return line;
}

std::size_t ProvenDeal::LinesFrom(std::size_t party) const {
  return static_cast<std::size_t>(
      std::count_if(log_.begin(), log_.end(), [&](const Entry& e) { return e.party == party; }));
}

const std::string* ProvenDeal::LineFrom(std::size_t party, std::size_t nth) const {
  for (const Entry& e : log_) {
    if (e.party != party) continue;
    if (nth == 0) return &e.line;
    --nth;
  }
  return nullptr;
}

std::vector<std::string> ProvenDeal::Resume() {
  std::vector<std::string> out;
  for (const Entry& e : log_) {
    if (e.party == index_) out.push_back(e.line);
  }
  taken_.assign(parties_, 0);
  return out;
}

ProvenStep ProvenDeal::Fail(DealFault fault) {
  fault_ = fault;
  return ProvenStep{{}, fault, std::nullopt};
}

ProvenStep ProvenDeal::Take(std::string_view line, std::size_t from) {
  if (fault_ != DealFault::None) return ProvenStep{{}, fault_, std::nullopt};
  if (!party_ || from >= parties_ || from == index_) return Fail(DealFault::OutOfTurn);
  // Lines sent again after a new connection: the same bytes in the same place, or a cheat.
  if (taken_[from] < LinesFrom(from)) {
    if (*LineFrom(from, taken_[from]) != line) return Fail(DealFault::ChangedLine);
    ++taken_[from];
    return {};
  }
  ProvenStep step = Apply(line, from);
  if (step.fault == DealFault::None) taken_[from] = LinesFrom(from);
  return step;
}

ProvenStep ProvenDeal::Apply(std::string_view line, std::size_t from) {
  const bool assembling = reader_->Assembling();
  const proof::WireItem item = reader_->Feed(line);
  if (const auto* refused = std::get_if<proof::Refused>(&item)) {
    return Fail(OfWireFault(refused->fault));
  }
  if (LineParty(line) != from) return Fail(DealFault::OutOfTurn);
  if (!assembling) message_start_ = log_.size();
  log_.push_back({from, std::string(line)});
  ProvenStep step;
  DealFault fault = DealFault::None;
  if (std::holds_alternative<proof::Pending>(item)) {
    if (!assembling && !Expects(MessageKind::Shuffle, from)) fault = DealFault::OutOfTurn;
  } else if (const auto* m = std::get_if<DealMessage>(&item)) {
    fault = TakeMessage(*m, step);
  } else if (const auto* play = std::get_if<proof::FaceDown>(&item)) {
    fault = TakeFaceDown(*play, step);
  }
  if (fault != DealFault::None) {
    log_.resize(message_start_);
    return Fail(fault);
  }
  if (!restoring_) step.send = Pump();
  return step;
}

DealFault ProvenDeal::TakeMessage(const DealMessage& m, ProvenStep& step) {
  if (next_ == schedule_.size()) return TakePlay(m, step);
  const Expected& e = schedule_[next_];
  if (m.kind != e.kind || m.party != e.party || m.position != e.position) {
    return DealFault::OutOfTurn;
  }
  if (m.kind == MessageKind::Shuffle &&
      std::set<proof::Point>(m.points.begin(), m.points.end()).size() != m.points.size()) {
    return DealFault::RepeatedPoint;
  }
  if (m.party == index_) {
    // Restoring: this side's own line, checked as a peer would, against the secret kept.
    if (m.kind == MessageKind::Key && m.points[0] != proof::MulBase(party_->secret())) {
      return DealFault::OutOfTurn;
    }
    proof::DealView probe = party_->view();
    if (!probe.Take(m)) return UnprovenFault(m.kind);
  }
  if (!party_->Take(m)) return UnprovenFault(m.kind);
  ++next_;
  if (m.kind == MessageKind::Opening) return CheckOpened(m.position);
  return DealFault::None;
}

// Once every layer but its owner's is off a position, the owner finds a card there (the proofs
// make this so; a miss would be the last opener's doing).
DealFault ProvenDeal::CheckOpened(std::size_t position) const {
  const proof::DealView& view = party_->view();
  const bool vira = position == proof::ViraPosition(parties_);
  if (!vira && position / kSlots != index_) return DealFault::None;
  for (std::size_t p = 0; p < parties_; ++p) {
    if ((vira || p != index_) && !view.Removed(position, p)) return DealFault::None;
  }
  return party_->CardAt(position) ? DealFault::None : DealFault::NotACard;
}

DealFault ProvenDeal::TakePlay(const DealMessage& m, ProvenStep& step) {
  if (m.kind != MessageKind::Announce) return DealFault::OutOfTurn;
  const std::size_t slot = m.position - proof::SlotPosition(m.party, 0);
  if (m.position / kSlots != m.party || m.position >= proof::ViraPosition(parties_) ||
      Played(m.party, slot)) {
    return DealFault::FalseAnnounce;
  }
  // A card this side holds or sees, or one already shown, is no card the sender can have.
  const proof::DealView& view = party_->view();
  for (std::size_t position = 0; position <= proof::ViraPosition(parties_); ++position) {
    const bool seen = position / kSlots != m.party || view.Announced(position).has_value();
    if (seen && party_->CardAt(position) == m.card) {
      return DealFault::FalseAnnounce;
    }
  }
  if (m.party != index_) {
    if (!party_->Take(m)) return DealFault::AnnouncedNotHeld;
  } else {
    proof::DealView probe = party_->view();
    if (!probe.Take(m) || !party_->Take(m)) return DealFault::AnnouncedNotHeld;
  }
  step.play = ProvenPlay{m.party, static_cast<int>(slot + 1), CardOf(m.card), 0};
  return DealFault::None;
}

DealFault ProvenDeal::TakeFaceDown(const proof::FaceDown& play, ProvenStep& step) {
  if (next_ != schedule_.size()) return DealFault::OutOfTurn;
  if (Played(play.party, play.slot)) return DealFault::HiddenNotHeld;
  hidden_[play.party][play.slot] = true;
  step.play = ProvenPlay{play.party, static_cast<int>(play.slot + 1), std::nullopt, play.trick};
  return DealFault::None;
}

}  // namespace truco::net
