#pragma once
// The classic hand: one hand per connection with a peer that knows only the classic messages.
// The hand's shared part: the plays of both sides, the turn and the end of the hand; the deal
// card by card and the judgement are the roles' (HostRole draws and judges, GuestRole asks and
// follows the host's "P").
//
// It keeps its own few rules instead of playing on the table replica: it plays all three tricks
// whatever the first two decided, moves no points, and passes the turn only on the host's "P"
// after each trick, so a replica would need a mode of its own for each of these; the old peers it
// serves expect exactly these steps.

#include "engine/game.h"
#include "net/wire/protocol.h"

namespace truco::net {

class NetworkedHand;

class ClassicHand {
 public:
  explicit ClassicHand(NetworkedHand& hand) : hand_(hand) {}
  ClassicHand(const ClassicHand&) = delete;
  ClassicHand& operator=(const ClassicHand&) = delete;

  // A new connection.
  void Reset() { deal_started_ = false; }
  // The deal has begun (the host sent "C", the guest took it).
  [[nodiscard]] bool deal_started() const { return deal_started_; }
  void set_deal_started() { deal_started_ = true; }

  // A message of the classic hand (the whole game took none of it).
  void Receive(const Message& message);
  // The player's click on one of its cards.
  void PlayCard(CardId id);
  // `letter`'s side may play now.
  void GiveTurn(char letter);
  // After the third trick: both sides show who took the hand.
  void EndHand();

 private:
  void OnPlay(const Play& m);
  // Puts this side's / the opponent's played card into its trick row.
  void PlaceOwn(int slot, int trick);
  void PlaceOpponent(int slot, int trick);

  NetworkedHand& hand_;
  bool deal_started_ = false;
};

}  // namespace truco::net
