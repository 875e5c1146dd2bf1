// The guest's part of the whole game: it takes the host's deal and the host's results.

#include <algorithm>
#include <utility>

#include "net/networked_hand.h"
#include "net/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

void NetworkedHand::OnNewHand(const NewHand& m) {
  const Settings settings =
      pending_settings_.value_or(Settings{table_.deck, table_.mode, table_.eleven_mode});
  ClearHand();
  table_.deck = settings.deck_type;
  table_.mode = settings.mode;
  table_.eleven_mode = settings.eleven_mode;
  points_ = {m.host_points, m.guest_points};
  games_ = {m.host_games, m.guest_games};
  if (first_whole_deal_) {
    first_whole_deal_ = false;
    const GameState& s = game_.state();
    base_games_ = {std::max(0, s.games_player - games_[1]),
                   std::max(0, s.games_computer - games_[0])};
  }
  hand_start_ = ResumeState{opponent_name_, points_, games_, 0, {}};
  table_.turn = m.lead == Side::Host ? 'S' : 'C';
  // Counted here too, so "Iniciar" on the guest knows a game is on and asks before restarting.
  ++game_.mutable_state().hand_counter;
  finished_ = false;
  own_closed_ = true;
  dealing_ = true;
  ++hands_dealt_;
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
}

void NetworkedHand::FinishGuestDeal() {
  if (!DealComplete()) return;
  dealing_ = false;
  StartEleven();
}

void NetworkedHand::OnTrickTaken(const TrickTaken& m) {
  const int t = m.trick;
  if (side_ != Side::Guest || finished_ || table_.outcome[Index(t)] != Outcome::None) return;
  if (OwnSlots()[Index(t)] < 0 || OppSlots()[Index(t)] < 0) return;
  ApplyTrickResult(t, m.taker ? LetterOf(*m.taker) : 'E');
}

}  // namespace truco::net
