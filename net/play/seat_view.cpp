#include "net/play/seat_view.h"

namespace truco::net {

NetSeatView SeatViewOf(const HandState& table, Side seat, SeatViewRules rules) {
  const std::size_t own = seat == Side::Host ? kHostSeat : kGuestSeat;
  const std::size_t opp = 1 - own;
  NetSeatView view{};
  for (std::size_t i = 0; i < 3; ++i) {
    ShownCard& mine = view[kCartaJ1 + i];
    mine.top = kPlayerHandTop;
    mine.left = kHandLefts[i];
    if (!rules.dark) mine.face = table.cards[own][i];
    ShownCard& theirs = view[kCartaM1 + i];
    theirs.top = kComputerHandTop;
    theirs.left = kHandLefts[i];
  }
  for (std::size_t t = 1; t <= 3; ++t) {
    if (const int slot = table.slot[own][t]; slot >= 0 && slot <= 2) {
      ShownCard& mine = view[kCartaJ1 + static_cast<std::size_t>(slot)];
      mine.top = kTrickTops[t];
      mine.left = kTrickPlayerLeft;
      const bool down = table.hidden[own][t] || (rules.dark && !rules.blind_turns_up);
      mine.face = down ? std::nullopt : table.cards[own][static_cast<std::size_t>(slot)];
    }
    if (const int slot = table.slot[opp][t]; slot >= 0 && slot <= 2) {
      ShownCard& theirs = view[kCartaM1 + static_cast<std::size_t>(slot)];
      theirs.top = kTrickTops[t];
      theirs.left = kTrickComputerLeft;
      if (!table.hidden[opp][t]) theirs.face = table.cards[opp][static_cast<std::size_t>(slot)];
    }
  }
  if (table.vira_dealt && table.mode == ManilhaMode::Nova) view[kCVira].face = table.vira;
  return view;
}

}  // namespace truco::net
