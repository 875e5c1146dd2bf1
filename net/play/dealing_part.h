#pragma once
// What the two deals of a whole game (version 3's joint deal, version 4's deal checked by proofs)
// share: whether the connection plays it, whether a hand is open, and how a fault ends the game:
// a cheat found here ("S" to the peer, the game void on both screens), the peer's "S", or a line
// that breaks the protocol (the connection goes as for a broken line).

#include <array>
#include <string>

#include "net/fair/joint_deal.h"
#include "net/wire/protocol.h"

namespace truco::net {

class NetworkedHand;

class DealingPart {
 public:
  explicit DealingPart(NetworkedHand& hand) : hand_(hand) {}
  virtual ~DealingPart() = default;
  DealingPart(const DealingPart&) = delete;
  DealingPart& operator=(const DealingPart&) = delete;

  [[nodiscard]] bool on() const { return on_; }
  void set_on(bool on) { on_ = on; }
  void set_checks_peer(bool checks) { checks_peer_ = checks; }
  [[nodiscard]] bool cheat_found() const { return cheated_; }
  // A check failed on what the peer sent (or the peer broke the deal).
  void FaultFound(DealFault fault);

 protected:
  // True when `message` is the peer's "S": the game ends on the cheat it names.
  bool TookCheatNotice(const Message& message);
  void EndByCheat(DealFault fault, Side cheater);
  // The fault in the player's words, naming the side that cheated.
  [[nodiscard]] virtual std::string Reason(DealFault fault, Side cheater) const = 0;
  // What the deal drops beyond the open hand when the game is void.
  virtual void DropDeal() {}
  void ResetPart() {
    on_ = false;
    open_ = false;
    cheated_ = false;
    games_at_deal_ = {};
  }

  NetworkedHand& hand_;
  bool on_ = false;
  bool open_ = false;  // a hand is being dealt or played
  bool cheated_ = false;
  bool checks_peer_ = true;
  std::array<int, 2> games_at_deal_{};  // the tally when the hand now dealt began
};

}  // namespace truco::net
