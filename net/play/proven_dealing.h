#pragma once
// The deal checked by proofs (version 4), the same on both sides: one hand's ProvenDeal
// (net/fair/proven_deal.h) over one connection. Its lines go out and come in as they are due,
// a side's hand starts once its own cards are open, a card played face up is preceded by its
// proof ("y"), a face-down card is only named ("e"), and a fault voids the game. Nothing is
// revealed at a hand's end. The host starts each hand's deal (HostRole), the guest follows it
// (GuestRole); both reach it through the hand.

#include <array>
#include <string>
#include <vector>

#include "net/fair/proven_deal.h"
#include "net/play/dealing_part.h"
#include "net/wire/protocol.h"

namespace truco::net {

class NetworkedHand;

class ProvenDealing final : public DealingPart {
 public:
  using DealingPart::DealingPart;

  // A new connection as `side`: no hand yet.
  void Reset(Side side);
  [[nodiscard]] const ProvenDeal& deal() const { return deal_; }

  // A hand is dealt from here (after "G" and "D"); `number` counts the connection's deals, the
  // same on both sides; `games` is the tally as it begins. The host's key goes out at once.
  void NewHand(char deck, bool nova, int number, const std::array<int, 2>& games);
  // A message of this deal (or one version 4 never sends); false when none of its business.
  bool Receive(const Message& message);
  // This side plays its card of `slot` (0..2): face up, the proof that goes right before its
  // "J"; face down into `trick`, the line that stands for "E".
  void PlayOwn(int slot, int trick, bool hide);

  // Hands of this connection whose own cards opened (every line before them checked).
  [[nodiscard]] int hands_opened() const { return hands_opened_; }

 private:
  void SendLines(const std::vector<std::string>& lines);
  void Take(const ProvenLine& line);
  void PeerPlays(const ProvenPlay& play);
  void CardsIn();
  [[nodiscard]] std::string Reason(DealFault fault, Side cheater) const override {
    return ProvenFaultText(fault, cheater == Side::Host ? 0 : 1, 2);
  }

  ProvenDeal deal_{2, 0};
  int hands_opened_ = 0;
};

}  // namespace truco::net
