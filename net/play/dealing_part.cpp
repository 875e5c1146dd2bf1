#include "net/play/dealing_part.h"

#include <variant>

#include "net/play/networked_hand.h"

namespace truco::net {

void DealingPart::FaultFound(DealFault fault) {
  NetworkedHand& h = hand_;
  if (!checks_peer_) return;
  const Side cheater = h.side_ == Side::Host ? Side::Guest : Side::Host;
  if (IsProtocolError(fault)) {
    open_ = false;
    h.EndByBrokenDeal(Reason(fault, cheater));
    return;
  }
  h.out_.Send(CheatFound{static_cast<int>(fault)});
  h.out_.CloseLink();
  EndByCheat(fault, cheater);
}

bool DealingPart::TookCheatNotice(const Message& message) {
  const auto* cheat = std::get_if<CheatFound>(&message);
  if (cheat == nullptr) return false;
  if (const auto fault = CheatOfNumber(cheat->reason)) {
    hand_.out_.CloseLink();
    EndByCheat(*fault, hand_.side_);
  }
  return true;
}

void DealingPart::EndByCheat(DealFault fault, Side cheater) {
  if (cheated_) return;
  cheated_ = true;
  DropDeal();
  open_ = false;
  hand_.VoidGame(games_at_deal_, Reason(fault, cheater));
}

}  // namespace truco::net
