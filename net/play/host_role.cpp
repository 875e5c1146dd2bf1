// The host's part of the whole game: it deals, judges every trick and offers to go on with a
// game that was cut off.

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

// The kept game is this peer's: the same name at the same table.
bool NetworkedHand::ResumesWithThisPeer() const {
  return resume_ && resume_->opponent_name == opponent_name_ && resume_->table_key == table_key_;
}

// Host: the guest's name is here and so is this side's start.
void NetworkedHand::BeginWholeGame() {
  if (side_ != Side::Host || hands_dealt_ > 0 || continue_asked_) return;
  if (resume_ && ResumesWithThisPeer()) {
    continue_asked_ = true;
    want_continue_ask_ = true;
    SetPanel(kTextWaitDeal);
    return;
  }
  resume_.reset();
  DealWhole();
}

void NetworkedHand::DealWhole() {
  if (side_ != Side::Host || !linked_) return;
  GameState& s = game_.mutable_state();
  const GameSettings settings = resumed_settings_.value_or(s.settings);
  hand_start_ = ResumeState{opponent_name_, replica_.points(), replica_.games(), s.hand_counter,
                            settings,       std::nullopt,      std::nullopt,     table_key_};
  ClearHand();
  finished_ = false;
  own_closed_ = true;
  peer_closed_ = true;
  if (first_whole_deal_) {
    // The run's tally before this game; a resumed game already counted its own games in it.
    first_whole_deal_ = false;
    base_games_ = {std::max(0, s.games_player - replica_.games()[0]),
                   std::max(0, s.games_computer - replica_.games()[1])};
  }
  table_.deck = settings.deck_type == kBaralhoLimpo ? kBaralhoLimpo : kBaralhoSujo;
  table_.mode = settings.manilha_mode;
  table_.eleven_mode = settings.eleven_mode == 1 ? 1 : 0;

  ++s.hand_counter;
  if (joint_) {
    StartJointHand();
    return;
  }
  DealRequest request{table_.deck, table_.mode, s.cards[kCVira].card};
  dealer_->Deal(request, [this](const DealtCards& cards) { StartDealtHand(cards); });
}

// The dealer's cards are here: the hand starts on both sides.
void NetworkedHand::StartDealtHand(const DealtCards& cards) {
  const char lead = game_.state().hand_counter % 2 == 0 ? 'C' : 'S';
  for (std::size_t i = 0; i < 3; ++i) {
    OppCards()[i] = cards.guest[i];
    OwnCards()[i] = cards.host[i];
  }
  SetVira(cards.vira, table_.mode);
  ++hands_dealt_;
  notes_.Begin(false);
  table_.turn = lead;
  DealReplica();

  const std::array<int, 2> points = replica_.points();
  const std::array<int, 2> games = replica_.games();
  out_.Send(Settings{table_.deck, table_.mode, table_.eleven_mode});
  out_.Send(
      NewHand{lead == 'S' ? Side::Host : Side::Guest, points[0], points[1], games[0], games[1]});
  for (int slot = 1; slot <= 3; ++slot) out_.Send(GuestCard{slot, *OppCards()[Index(slot - 1)]});
  out_.Send(Vira{table_.mode, *table_.vira});
  StartEleven();
}

// Host: the replica has rated the trick; the guest is told who took it.
void NetworkedHand::JudgeWhole(int trick) {
  const char taker = replica_.TrickTaker(trick);
  out_.Send(TrickTaken{trick, taker == 'E' ? std::nullopt : std::optional<Side>(SideOf(taker))});
  ApplyTrickResult(trick);
}

void NetworkedHand::MaybeDealNext() {
  if (side_ == Side::Host && finished_ && own_closed_ && peer_closed_ && linked_ && !restarting_ &&
      !(joint_ && joint_open_)) {
    DealWhole();
  }
}

// A kept hand goes on where it stopped; jointly dealt, only with its deal complete and kept (in
// memory, or in the resume file after the host's program closed).
bool NetworkedHand::MayResumeHand(const ResumeState& state) const {
  if (!state.hand) return false;
  if (!joint_) return !state.deal;  // a kept joint deal never goes on in the open
  return state.deal && state.deal->Dealt() && state.deal->HandId().has_value();
}

// Both said yes to "Continuar a partida?": the hand goes on where the cut left it. The guest is
// sent what it may see of it: its own cards (played or not), the host's cards that lie face up on
// the table, never one still in the host's hand.
void NetworkedHand::ResumeInterruptedHand(const ResumeState& state) {
  GameState& s = game_.mutable_state();
  hand_start_ = state;
  hand_start_->hand.reset();
  hand_start_->deal.reset();
  ClearHand();
  table_ = *state.hand;
  replica_.Load(table_, 'S', state.points, state.games);
  s.hand_counter = state.hand_counter + 1;
  finished_ = false;
  own_closed_ = true;
  peer_closed_ = true;
  if (first_whole_deal_) {
    first_whole_deal_ = false;
    base_games_ = {std::max(0, s.games_player - replica_.games()[0]),
                   std::max(0, s.games_computer - replica_.games()[1])};
  }
  ++hands_dealt_;
  notes_.Begin(true);
  if (joint_) {
    // The kept deal goes on: its cards are checked when the hand ends, as any other.
    joint_deal_ = *state.deal;
    joint_deal_.UseEntropy(*deal_entropy_);
    old_deal_.reset();
    joint_open_ = true;
    own_revealed_ = false;
    peer_key_.reset();
    games_at_deal_ = replica_.games();
  }

  auto letter = [](char c) { return c == 'S' || c == 'C' || c == 'B' ? c : '-'; };
  ResumeHand m;
  m.turn = letter(table_.turn);
  m.stake = table_.stake;
  m.pending = table_.pending_stake;
  m.caller = letter(table_.caller);
  m.turn_before_call = letter(table_.turn_before_call);
  m.raise_right = letter(table_.raise_right);
  m.eleven = letter(table_.eleven);
  m.eleven_decided = table_.eleven_decided;
  m.eleven_dark = table_.eleven_dark;
  m.host_points = replica_.points()[0];
  m.guest_points = replica_.points()[1];
  m.host_games = replica_.games()[0];
  m.guest_games = replica_.games()[1];
  for (std::size_t i = 0; i < 3; ++i) m.guest_cards[i] = table_.cards[kGuestSeat][i];
  m.vira = table_.vira.value_or(Card{});
  for (std::size_t t = 1; t <= 3; ++t) {
    ResumeHand::Trick& trick = m.tricks[t - 1];
    const int hs = table_.slot[kHostSeat][t];
    const int gs = table_.slot[kGuestSeat][t];
    trick.host_slot = hs + 1;
    trick.host_hidden = table_.hidden[kHostSeat][t];
    trick.guest_slot = gs + 1;
    trick.guest_hidden = table_.hidden[kGuestSeat][t];
    trick.leader = letter(table_.leader[t]);
    switch (table_.outcome[t]) {
      case Outcome::Own:
        trick.taker = 'S';
        break;
      case Outcome::Opponent:
        trick.taker = 'C';
        break;
      case Outcome::Tie:
        trick.taker = 'E';
        break;
      case Outcome::None:
        break;
    }
    if (hs >= 0 && !trick.host_hidden) trick.host_card = table_.cards[kHostSeat][Index(hs)];
  }
  // Jointly dealt, the host knows only the guest cards shown face up; the hand is named so the
  // guest goes on only with the deal of that very hand.
  if (joint_) m.hand_id = joint_deal_.HandId();
  out_.Send(Settings{table_.deck, table_.mode, table_.eleven_mode});
  out_.Send(m);
  AskWhatIsOwed();
}

}  // namespace truco::net
