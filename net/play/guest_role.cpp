// The guest's part of the whole game: it takes the host's deal and the host's results.

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

// A new or resumed hand on the guest: the host's settings, points and tally take effect.
void NetworkedHand::GuestHandStarts(int host_points, int guest_points, int host_games,
                                    int guest_games) {
  const Settings settings =
      pending_settings_.value_or(Settings{table_.deck, table_.mode, table_.eleven_mode});
  ClearHand();
  table_.deck = settings.deck_type;
  table_.mode = settings.mode;
  table_.eleven_mode = settings.eleven_mode;
  const std::array<int, 2> points{host_points, guest_points};
  const std::array<int, 2> games{host_games, guest_games};
  replica_.SetScore(points, games);
  if (first_whole_deal_) {
    first_whole_deal_ = false;
    const GameState& s = game_.state();
    base_games_ = {std::max(0, s.games_player - games[1]),
                   std::max(0, s.games_computer - games[0])};
  }
  hand_start_ =
      ResumeState{opponent_name_, points, games, 0, {}, std::nullopt, std::nullopt, table_key_};
}

void NetworkedHand::OnNewHand(const NewHand& m) {
  // The host deals only after both secrets of the last hand are out.
  if (joint_ && joint_open_ && joint_deal_.PeerCommitted()) {
    DealFaultFound(DealFault::NoReveal);
    return;
  }
  GuestHandStarts(m.host_points, m.guest_points, m.host_games, m.guest_games);
  table_.turn = m.lead == Side::Host ? 'S' : 'C';
  // Counted here too, so "Iniciar" on the guest knows a game is on and asks before restarting.
  ++game_.mutable_state().hand_counter;
  finished_ = false;
  own_closed_ = true;
  dealing_ = true;
  ++hands_dealt_;
  notes_.Begin(false);
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
  if (joint_) {
    joint_deal_.NewHand(table_.deck, table_.mode == ManilhaMode::Nova);
    joint_open_ = true;
    own_revealed_ = false;
    peer_key_.reset();
    games_at_deal_ = replica_.games();
  }
}

void NetworkedHand::FinishGuestDeal() {
  if (!DealComplete()) return;
  dealing_ = false;
  DealReplica();
  StartEleven();
}

void NetworkedHand::OnTrickTaken(const TrickTaken& m) {
  const int t = m.trick;
  if (side_ != Side::Guest || finished_ || table_.outcome[Index(t)] != Outcome::None) return;
  if (OwnSlots()[Index(t)] < 0 || OppSlots()[Index(t)] < 0 || !held_) return;
  // The host rates the trick; the guest's replica takes its result and goes on from there.
  const HeldPlay held = *held_;
  held_.reset();
  replica_.PlayJudged(held.letter, held.slot, held.hide, m.taker ? LetterOf(*m.taker) : 'E');
  ApplyTrickResult(t);
}

// The host sends back the hand a dropped connection interrupted: it goes on from there.
void NetworkedHand::OnResumeHand(const ResumeHand& m) {
  // Jointly dealt, the guest's cards come from the deal it kept of that very hand; without it the
  // hand cannot go on (nor be checked), and the peer that offers it is broken.
  if (joint_ != m.hand_id.has_value() ||
      (joint_ && (!old_deal_ || old_deal_->HandId() != m.hand_id || !old_deal_->Dealt()))) {
    // A guest program closed meanwhile kept no deal at all: it says so rather than blame the host.
    const bool forgotten = joint_ && m.hand_id && !old_deal_;
    out_.CloseLink();
    hand_start_.reset();
    ConnectionLost(std::string(forgotten ? kTextHandNotKept : kTextDealBroken));
    resume_.reset();
    return;
  }
  if (!joint_ &&
      std::any_of(m.guest_cards.begin(), m.guest_cards.end(), [](const auto& c) { return !c; })) {
    return;
  }
  GuestHandStarts(m.host_points, m.guest_points, m.host_games, m.guest_games);
  auto letter = [](char c) { return c == '-' ? ' ' : c; };
  if (joint_) {
    // A deal read from the file draws the next hand's secret from this game's randomness, as the
    // host's does.
    joint_deal_ = *old_deal_;
    joint_deal_.UseEntropy(*deal_entropy_);
    old_deal_.reset();
    joint_open_ = true;
    own_revealed_ = false;
    peer_key_.reset();
    games_at_deal_ = replica_.games();
    for (int slot = 1; slot <= 3; ++slot) OwnCards()[Index(slot - 1)] = joint_deal_.OwnCard(slot);
  } else {
    for (std::size_t i = 0; i < 3; ++i) table_.cards[kGuestSeat][i] = m.guest_cards[i];
  }
  SetVira(m.vira, table_.mode);
  for (std::size_t t = 1; t <= 3; ++t) {
    const ResumeHand::Trick& trick = m.tricks[t - 1];
    table_.slot[kHostSeat][t] = trick.host_slot - 1;
    table_.hidden[kHostSeat][t] = trick.host_hidden;
    table_.slot[kGuestSeat][t] = trick.guest_slot - 1;
    table_.hidden[kGuestSeat][t] = trick.guest_hidden;
    if (trick.host_card) table_.cards[kHostSeat][Index(trick.host_slot - 1)] = trick.host_card;
    table_.leader[t] = trick.leader == '-' ? char{} : trick.leader;
    table_.outcome[t] = trick.taker == 'C'   ? Outcome::Own
                        : trick.taker == 'S' ? Outcome::Opponent
                        : trick.taker == 'E' ? Outcome::Tie
                                             : Outcome::None;
  }
  table_.turn = letter(m.turn);
  table_.stake = m.stake;
  table_.pending_stake = m.pending;
  table_.caller = letter(m.caller);
  table_.turn_before_call = letter(m.turn_before_call);
  table_.raise_right = letter(m.raise_right);
  table_.eleven = letter(m.eleven);
  table_.eleven_decided = m.eleven_decided;
  table_.eleven_dark = m.eleven_dark;
  replica_.Load(table_, 'C', replica_.points(), replica_.games());
  ++game_.mutable_state().hand_counter;
  finished_ = false;
  own_closed_ = true;
  dealing_ = false;
  ++hands_dealt_;
  notes_.Begin(true);
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
  AskWhatIsOwed();
}

}  // namespace truco::net
