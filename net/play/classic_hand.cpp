// The classic hand (ClassicHand, classic_hand.h): one hand per connection, dealt card by card on
// the guest's requests (the host's draws and judgements in host_role.cpp, the guest's requests in
// guest_role.cpp).
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

#include "net/play/classic_hand.h"

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"
#include "net/play/side_role.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

void ClassicHand::Receive(const Message& message) {
  NetworkedHand& h = hand_;
  if (const auto* name = std::get_if<Name>(&message)) {
    h.OnName(*name);
  } else if (const auto* play = std::get_if<Play>(&message)) {
    OnPlay(*play);
  } else if (const auto* chat = std::get_if<Chat>(&message)) {
    std::string line = chat->line;
    // One line in the box, whatever the peer put in it.
    std::replace(line.begin(), line.end(), '\r', ' ');
    h.out_.AppendChat(line);
  } else {
    // The deal card by card and the turn: what only one side acts on.
    h.role_->ReceiveClassic(message);
  }
}

void ClassicHand::OnPlay(const Play& m) {
  NetworkedHand& h = hand_;
  const int trick = m.trick;
  const int slot = m.slot - 1;
  if (h.table_.turn != h.OpponentLetter() || slot < 0 || slot > 2) return;
  if (trick != h.FirstOpenTrick(h.OppSlots())) return;
  if (std::find(h.OppSlots().begin(), h.OppSlots().end(), slot) != h.OppSlots().end()) return;
  if (!h.OppCards()[Index(slot)]) return;
  PlaceOpponent(slot, trick);
  if (h.OwnSlots()[Index(trick)] >= 0) {
    // The host judges the trick and gives the turn; the guest only shows who took it.
    h.role_->ClassicTrickComplete(trick);
  } else {
    // The opponent led: this side answers.
    GiveTurn(h.OwnLetter());
  }
}

void ClassicHand::PlayCard(CardId id) {
  NetworkedHand& h = hand_;
  if (!h.Active() || !h.linked_ || !h.DealComplete() || !h.may_play_ ||
      h.table_.turn != h.OwnLetter()) {
    return;
  }
  if (id < kCartaJ1 || id > kCartaJ3) return;
  const int slot = id - kCartaJ1;
  if (std::find(h.OwnSlots().begin(), h.OwnSlots().end(), slot) != h.OwnSlots().end()) return;
  const int trick = h.FirstOpenTrick(h.OwnSlots());
  if (trick == 0) return;
  PlaceOwn(slot, trick);
  if (!h.out_.Send(Play{slot + 1, trick})) {
    // The card lies on the table; the lost connection is being told.
    h.Sync();
    return;
  }
  h.may_play_ = false;
  if (h.OppSlots()[Index(trick)] >= 0) {
    h.table_.turn = ' ';
    h.SetPanel(kTextWaitOpponent);
    h.role_->ClassicTrickComplete(trick);
  } else {
    h.table_.turn = h.OpponentLetter();
    h.SetPanel(kTextWaitOpponent);
  }
  h.Sync();
  h.Refresh();
}

void ClassicHand::PlaceOwn(int slot, int trick) {
  NetworkedHand& h = hand_;
  h.OwnSlots()[Index(trick)] = slot;
  if (h.table_.leader[Index(trick)] == 0) h.table_.leader[Index(trick)] = h.OwnLetter();
  h.Sync();
}

void ClassicHand::PlaceOpponent(int slot, int trick) {
  NetworkedHand& h = hand_;
  if (trick < 1 || trick > 3) return;
  h.OppSlots()[Index(trick)] = slot;
  if (h.table_.leader[Index(trick)] == 0) h.table_.leader[Index(trick)] = h.OpponentLetter();
  h.Sync();
}

void ClassicHand::GiveTurn(char letter) {
  NetworkedHand& h = hand_;
  h.table_.turn = letter;
  h.may_play_ = letter == h.OwnLetter();
  h.SetPanel(h.may_play_ ? kTextYourTurn : kTextWaitOpponent);
}

void ClassicHand::EndHand() {
  NetworkedHand& h = hand_;
  HandState& table = h.table_;
  table.turn = ' ';
  h.may_play_ = false;
  // Counted as in a game against the computer: a tie scores for both, except that a tie after
  // a tied first trick scores nothing, and a tied third trick goes to the first trick's winner.
  int own = 0;
  int opp = 0;
  auto score = [&](int trick) {
    switch (table.outcome[Index(trick)]) {
      case Outcome::Own:
        ++own;
        break;
      case Outcome::Opponent:
        ++opp;
        break;
      case Outcome::Tie:
        if (trick == 3) {
          if (table.outcome[1] == Outcome::Own) ++own;
          if (table.outcome[1] == Outcome::Opponent) ++opp;
        } else if (trick == 1 || table.outcome[1] != Outcome::Tie) {
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
    text += h.opponent_name_ + kTextOpponentWon;
  } else {
    text += kTextAllTied;
  }
  h.SetPanel(std::move(text));
}

}  // namespace truco::net
