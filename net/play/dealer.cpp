#include "net/play/dealer.h"

namespace truco::net {

void HostDraw::Deal(const DealRequest& request, std::function<void(const DealtCards&)> dealt) {
  used_.Clear();
  random_.Reseed();
  DealtCards cards;
  // The order of the classic deal: the guest's three, the host's three, the vira.
  for (Card& card : cards.guest) card = Sorteia(request.deck, used_, random_);
  for (Card& card : cards.host) card = Sorteia(request.deck, used_, random_);
  cards.vira = request.mode == ManilhaMode::Nova ? Sorteia(request.deck, used_, random_)
                                                 : request.velha_vira;
  dealt(cards);
}

}  // namespace truco::net
