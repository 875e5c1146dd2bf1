// The networked table: the hand written into the game state the window draws.

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"
#include "net/play/seat_view.h"
#include "net/play/side_role.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

// ---------------------------------------------------------------------------------------------
// The table

void NetworkedHand::Sync() {
  if (!Active()) return;
  GameState& s = game_.mutable_state();
  // The whole game reads the dark hand from the host's setting and the game's own points.
  const bool dark = whole_game_ ? table_.eleven_dark : s.DarkElevenHand();
  // Every card control is drawn from what this seat may see, whatever it showed before.
  const NetSeatView view = SeatViewOf(table_, side_, {dark, whole_game_});
  for (int id = kCartaJ1; id <= kCartaM3; ++id) {
    const ShownCard& shown = view[Index(id)];
    TableCard& card = s.cards[Index(id)];
    // A card this side knows but may not show keeps its value under a back; one it does not
    // know (the other's hand on the guest, an earlier hand's) is no card at all.
    const bool own = id <= kCartaJ3;
    const auto& known = own ? OwnCards()[Index(id - kCartaJ1)] : OppCards()[Index(id - kCartaM1)];
    card.card = shown.face.value_or(known.value_or(Card{}));
    card.face_down = !shown.face;
    card.top = shown.top;
    card.left = shown.left;
  }
  for (int t = 1; t <= 3; ++t) {
    s.trick_played[Index(t)] = OwnSlots()[Index(t)] >= 0;
    switch (table_.outcome[Index(t)]) {
      case Outcome::Own:
        s.trick_result[Index(t)] = kJogador;
        break;
      case Outcome::Opponent:
        s.trick_result[Index(t)] = kMicro;
        break;
      case Outcome::Tie:
        s.trick_result[Index(t)] = kEmpate;
        break;
      case Outcome::None:
        s.trick_result[Index(t)].clear();
        break;
    }
  }
  // With "Manilha Velha" the vira's card means nothing and stays as the host sent it, face down.
  if (table_.vira_dealt && table_.vira) s.cards[kCVira].card = *table_.vira;
  s.cards[kCVira].face_down = !view[kCVira].face;
  if (table_.vira_dealt) {
    s.vira_hand_pointer = true;
    s.manilha_value = table_.manilhas;
  }
  role_->Sync(s);
  if (whole_game_) {
    SyncWhole(s);
    out_.SetMessagePanel(panel_);
    return;
  }
  s.turn = table_.turn;
  s.may_play = may_play_;
  if (HandOver() || !linked_) {
    s.BTrucar.enabled = false;
    s.BCorrer.enabled = false;
  }
  out_.SetMessagePanel(panel_);
}

void NetworkedHand::Refresh() {
  if (Active()) out_.TableChanged();
}

// The panel and the buttons of the whole game, from this side's point of view.
void NetworkedHand::SyncWhole(GameState& s) {
  const char own = OwnLetter();
  const std::array<int, 2> points = replica_.points();
  const std::array<int, 2> games = replica_.games();
  s.player_points = points[SideIndex(side_)];
  s.computer_points = points[1 - SideIndex(side_)];
  s.games_player = base_games_[0] + games[SideIndex(side_)];
  s.games_computer = base_games_[1] + games[1 - SideIndex(side_)];
  if (!opponent_name_.empty()) s.opponent_name = opponent_name_;
  s.hand_stake = table_.stake;
  s.LabelVale = std::to_string(table_.stake);
  const auto next = NextCall(table_.stake);
  s.BTrucar.caption = std::string(next ? Info(*next).caption : Info(Rung::Doze).caption);
  s.BTrucar.visible = table_.eleven == ' ';
  s.BTrucar.enabled = MayCallNow(own);
  s.BCorrer.enabled = MayRunNow(own);
  s.eleven_decided = table_.eleven_decided;
  const int open = FirstOpenTrick(OwnSlots());
  s.BEsconder.enabled = MayPlayNow(own) && open >= 2;
  may_play_ = MayPlayNow(own);
  s.may_play = may_play_;
  s.turn = table_.turn;

  std::string panel;
  if (!linked_ && !lost_text_.empty()) {
    panel = lost_text_;
  } else if (finished_) {
    panel = kTextWaitDeal;
  } else if (!DealComplete()) {
    panel = kTextWaitOpponent;
  } else if (table_.pending_stake != 0) {
    panel = table_.caller == own ? kTextWaitAnswer + opponent_name_
                                 : opponent_name_ + kTextCalls +
                                       std::string(CallWord(RungOfStake(table_.pending_stake)));
  } else if ((table_.eleven == 'S' || table_.eleven == 'C') && !table_.eleven_decided) {
    panel = table_.eleven == own ? kTextElevenQuestion : opponent_name_ + kTextWaitEleven;
  } else if (table_.turn == own) {
    panel = kTextYourTurn;
    if (accepted_notice_) panel = opponent_name_ + kTextAccepted + "\r" + kTextYourTurn;
  } else {
    panel = kTextWaitOpponent;
  }
  SetPanel(std::move(panel));
}

}  // namespace truco::net
