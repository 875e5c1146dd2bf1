// The host's part of the whole game: it deals, judges every trick and offers to go on with a
// game that was cut off.

#include <algorithm>
#include <utility>

#include "net/networked_hand.h"
#include "net/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

// Host: the guest's name is here and so is this side's start.
void NetworkedHand::BeginWholeGame() {
  if (side_ != Side::Host || hands_dealt_ > 0 || continue_asked_) return;
  if (resume_ && resume_->opponent_name == opponent_name_) {
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
  hand_start_ = ResumeState{opponent_name_, points_, games_, s.hand_counter, settings};
  ClearHand();
  finished_ = false;
  own_closed_ = true;
  peer_closed_ = true;
  if (first_whole_deal_) {
    // The run's tally before this game; a resumed game already counted its own games in it.
    first_whole_deal_ = false;
    base_games_ = {std::max(0, s.games_player - games_[0]),
                   std::max(0, s.games_computer - games_[1])};
  }
  table_.deck = settings.deck_type == kBaralhoLimpo ? kBaralhoLimpo : kBaralhoSujo;
  table_.mode = settings.manilha_mode;
  table_.eleven_mode = settings.eleven_mode == 1 ? 1 : 0;

  ++s.hand_counter;
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
  table_.turn = lead;

  out_.Send(Settings{table_.deck, table_.mode, table_.eleven_mode});
  out_.Send(NewHand{lead == 'S' ? Side::Host : Side::Guest, points_[0], points_[1], games_[0],
                    games_[1]});
  for (int slot = 1; slot <= 3; ++slot) out_.Send(GuestCard{slot, *OppCards()[Index(slot - 1)]});
  out_.Send(Vira{table_.mode, *table_.vira});
  StartEleven();
}

void NetworkedHand::JudgeWhole(int trick) {
  const int host = PlayedStrength(trick, 'S');
  const int guest = PlayedStrength(trick, 'C');
  std::optional<Side> taker;
  if (host > guest) taker = Side::Host;
  if (guest > host) taker = Side::Guest;
  out_.Send(TrickTaken{trick, taker});
  ApplyTrickResult(trick, taker ? LetterOf(*taker) : 'E');
}

void NetworkedHand::MaybeDealNext() {
  if (side_ == Side::Host && finished_ && own_closed_ && peer_closed_ && linked_) DealWhole();
}

}  // namespace truco::net
