#pragma once
// The deal of a whole game's hand as one replaceable step. Today the host draws every card
// (HostDraw); a joint deal, in which neither side alone knows the other's cards, plugs in here
// without touching the rest of the game.

#include <array>
#include <functional>

#include "engine/cards.h"
#include "engine/random.h"
#include "engine/state.h"
#include "net/wire/protocol.h"

namespace truco::net {

struct DealRequest {
  char deck = kBaralhoLimpo;
  ManilhaMode mode = ManilhaMode::Nova;
  // With "Manilha Velha" nothing is turned: this card is sent as the vira and means nothing.
  Card velha_vira{};
};

struct DealtCards {
  std::array<Card, 3> guest{};
  std::array<Card, 3> host{};
  Card vira{};
};

class Dealer {
 public:
  Dealer() = default;
  Dealer(const Dealer&) = delete;
  Dealer& operator=(const Dealer&) = delete;
  virtual ~Dealer() = default;

  // Host: deals the coming hand and calls `dealt` once the cards are known: at once for the
  // host's own draw, after an exchange of messages for a joint deal. `dealt` sends the guest its
  // cards and the vira and starts the hand.
  virtual void Deal(const DealRequest& request, std::function<void(const DealtCards&)> dealt) = 0;
  // A message of the deal's own exchange (either side); true when the dealer took it. The host's
  // draw has none.
  virtual bool Receive(const Message& /*message*/) { return false; }
};

// The host draws the guest's three, its own three and the vira, in that order, from `random`,
// none repeated (`used` holds what is out).
class HostDraw final : public Dealer {
 public:
  HostDraw(RandomSource& random, UsedCards& used) : random_(random), used_(used) {}
  void Deal(const DealRequest& request, std::function<void(const DealtCards&)> dealt) override;

 private:
  RandomSource& random_;
  UsedCards& used_;
};

}  // namespace truco::net
