// The classic hand: one hand per connection, dealt card by card on the guest's requests (the
// host's draws and judgements in host_role.cpp, the guest's requests in guest_role.cpp).
//
// Choices of the classic hand:
// - The deal runs once, right after the names; a new hand needs a new "Em rede" start.
// - The host answers the guest's name with the deal only once its own hand has started, so every
//   draw comes after the start clears `used_cards`. Each card is drawn once per hand; a repeated
//   request gets the same card again (a peer cannot empty the deck).
// - First lead by the parity of the host's `hand_counter`: even, the guest leads (the host sends
//   "PC" and waits); odd, the host leads (it sends "PS").
// - A "J" grants the turn only when it leads a trick. The card that completes a trick leaves the
//   turn to the host's judgement: the stronger card's side leads next, on equal strengths the side
//   that led the trick. The host sends "P" + that side's letter after the first and second
//   tricks; the guest acts on "PC" and on "PS" and takes a "P" only while it waits for one.
// - After the third trick the hand ends: both sides show who took it. No points move.

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"
#include "net/play/side_role.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

void NetworkedHand::SetVira(Card card, ManilhaMode mode) {
  table_.vira = card;
  table_.mode = mode;
  table_.vira_dealt = true;
  if (mode == ManilhaMode::Nova) {
    table_.manilhas.fill(static_cast<std::uint8_t>(Proxima(table_.deck, card.Value)));
  } else {
    table_.manilhas = ManilhasVelhas();
  }
}

void NetworkedHand::OnPlay(const Play& m) {
  const int trick = m.trick;
  const int slot = m.slot - 1;
  if (table_.turn != OpponentLetter() || slot < 0 || slot > 2) return;
  if (trick != FirstOpenTrick(OppSlots())) return;
  if (std::find(OppSlots().begin(), OppSlots().end(), slot) != OppSlots().end()) return;
  if (!OppCards()[Index(slot)]) return;
  JOGA_CARTA_ONLINE(OpponentCardId(slot), trick);
  if (OwnSlots()[Index(trick)] >= 0) {
    TrickComplete(trick);
  } else {
    // The opponent led: this side answers.
    GiveTurn(OwnLetter());
  }
}

// ---------------------------------------------------------------------------------------------
// Playing

void NetworkedHand::PlayCard(CardId id) {
  if (whole_game_) {
    Scope scope(*this);
    PlayWhole(id);
    Sync();
    Refresh();
    return;
  }
  if (!Active() || !linked_ || !DealComplete() || !may_play_ || table_.turn != OwnLetter()) return;
  if (id < kCartaJ1 || id > kCartaJ3) return;
  const int slot = id - kCartaJ1;
  if (std::find(OwnSlots().begin(), OwnSlots().end(), slot) != OwnSlots().end()) return;
  const int trick = FirstOpenTrick(OwnSlots());
  if (trick == 0) return;
  Posicao_Carta_Online(id, trick);
  if (!out_.Send(Play{slot + 1, trick})) {
    // The card lies on the table; the lost connection is being told.
    Sync();
    return;
  }
  may_play_ = false;
  if (OppSlots()[Index(trick)] >= 0) {
    table_.turn = ' ';
    SetPanel(kTextWaitOpponent);
    TrickComplete(trick);
  } else {
    table_.turn = OpponentLetter();
    SetPanel(kTextWaitOpponent);
  }
  Sync();
  Refresh();
}

void NetworkedHand::Posicao_Carta_Online(CardId card, int trick) {
  OwnSlots()[Index(trick)] = card - kCartaJ1;
  if (table_.leader[Index(trick)] == 0) table_.leader[Index(trick)] = OwnLetter();
  Sync();
}

void NetworkedHand::JOGA_CARTA_ONLINE(CardId card, int trick) {
  if (trick < 1 || trick > 3) return;
  OppSlots()[Index(trick)] = card - kCartaM1;
  if (table_.leader[Index(trick)] == 0) table_.leader[Index(trick)] = OpponentLetter();
  Sync();
}

// ---------------------------------------------------------------------------------------------
// Tricks

void NetworkedHand::TrickComplete(int trick) {
  // The host judges the trick and gives the turn; the guest only shows who took it.
  role_->ClassicTrickComplete(trick);
}

void NetworkedHand::EndHand() {
  table_.turn = ' ';
  may_play_ = false;
  // Counted as in a game against the computer: a tie scores for both, except that a tie after
  // a tied first trick scores nothing, and a tied third trick goes to the first trick's winner.
  int own = 0;
  int opp = 0;
  auto score = [&](int trick) {
    switch (table_.outcome[Index(trick)]) {
      case Outcome::Own:
        ++own;
        break;
      case Outcome::Opponent:
        ++opp;
        break;
      case Outcome::Tie:
        if (trick == 3) {
          if (table_.outcome[1] == Outcome::Own) ++own;
          if (table_.outcome[1] == Outcome::Opponent) ++opp;
        } else if (trick == 1 || table_.outcome[1] != Outcome::Tie) {
          ++own;
          ++opp;
        }
        break;
      case Outcome::None:
        break;
    }
  };
  auto decided = [&]() { return (own >= 2 && opp < 2) || (opp >= 2 && own < 2); };
  score(1);
  score(2);
  // A hand decided by its second trick stays decided whatever the third brings.
  if (!decided()) score(3);
  std::string text = std::string(kTextHandOver) + "\r";
  if (own >= 2 && opp < 2) {
    text += kTextYouWon;
  } else if (opp >= 2 && own < 2) {
    text += opponent_name_ + kTextOpponentWon;
  } else {
    text += kTextAllTied;
  }
  SetPanel(std::move(text));
}

}  // namespace truco::net
