// The networked table: the hand written into the game state the window draws.

#include <algorithm>
#include <utility>

#include "net/networked_hand.h"
#include "net/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

// ---------------------------------------------------------------------------------------------
// The table

void NetworkedHand::Sync() {
  if (!Active()) return;
  GameState& s = game_.mutable_state();
  // The whole game reads the dark hand from the host's setting and the game's own points.
  const bool dark = whole_game_ ? table_.eleven_dark : s.DarkElevenHand();
  for (int i = 0; i < 3; ++i) {
    TableCard& own = s.cards[OwnCardId(i)];
    TableCard& opp = s.cards[OpponentCardId(i)];
    if (OwnCards()[Index(i)]) own.card = *OwnCards()[Index(i)];
    if (OppCards()[Index(i)]) opp.card = *OppCards()[Index(i)];
    own.face_down = !OwnCards()[Index(i)] || dark;
    own.top = kPlayerHandTop;
    own.left = kHandLefts[Index(i)];
    opp.top = kComputerHandTop;
    opp.left = kHandLefts[Index(i)];
  }
  for (int t = 1; t <= 3; ++t) {
    if (const int slot = OwnSlots()[Index(t)]; slot >= 0) {
      TableCard& own = s.cards[OwnCardId(slot)];
      own.top = kTrickTops[Index(t)];
      own.left = kTrickPlayerLeft;
      // Whole game: a card played blind turns up on the table; a hidden one stays down. The
      // classic hand leaves the card with the face it had.
      if (whole_game_) own.face_down = OwnHidden()[Index(t)];
    }
    if (const int slot = OppSlots()[Index(t)]; slot >= 0) {
      TableCard& opp = s.cards[OpponentCardId(slot)];
      opp.top = kTrickTops[Index(t)];
      opp.left = kTrickComputerLeft;
      opp.face_down = OppHidden()[Index(t)];
    }
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
  if (table_.vira_dealt) {
    if (table_.vira) s.cards[kCVira].card = *table_.vira;
    s.cards[kCVira].face_down = table_.mode != ManilhaMode::Nova;
    s.vira_hand_pointer = true;
    s.manilha_value = table_.manilhas;
  }
  if (side_ == Side::Host) s.used_cards = used_;
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
  s.player_points = points_[SideIndex(side_)];
  s.computer_points = points_[1 - SideIndex(side_)];
  s.games_player = base_games_[0] + games_[SideIndex(side_)];
  s.games_computer = base_games_[1] + games_[1 - SideIndex(side_)];
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
