#include "engine/table_observation.h"

namespace truco::table {

int Observation::HeldBy(int other) const {
  int played = 0;
  for (int t = 1; t <= kNumTricks; ++t) {
    const Trick& tr = tricks[static_cast<std::size_t>(t)];
    for (int i = 0; i < tr.count; ++i) {
      if (tr.cards[static_cast<std::size_t>(i)].seat == other) ++played;
    }
  }
  return kHandSize - played;
}

Observation ObservationOf(const TableState& s, int seat) {
  Observation v;
  v.seat = seat;
  v.seats = s.seats;
  v.settings = s.settings;
  v.phase = s.phase;
  if ((s.phase == Phase::Idle && s.hands == 0) || !s.ValidSeat(seat)) return v;
  if (s.settings.manilha_mode == ManilhaMode::Nova) v.vira = s.vira;
  v.manilha_value = s.manilha_value;
  const auto me = static_cast<std::size_t>(seat);
  v.own_in_hand = s.in_hand[me];
  for (std::size_t i = 0; i < kHandSize; ++i) {
    if (!s.blind) v.own[i] = s.hand[me][i];
  }
  if (const int mate = PartnerOf(seat, s.seats); mate != kNoSeat) {
    const auto m = static_cast<std::size_t>(mate);
    v.partner_in_hand = s.in_hand[m];
    for (std::size_t i = 0; i < kHandSize; ++i) {
      if (s.eleven_team == TeamOf(seat)) v.partner[i] = s.hand[m][i];
    }
    if (s.settings.signs) v.partner_sign = s.sign[m];
  }
  v.tricks = s.tricks;
  for (Trick& t : v.tricks) {
    for (PlayedCard& p : t.cards) {
      if (p.hidden) p.card = Card{};
    }
  }
  v.trick = s.trick;
  v.turn = s.turn;
  v.hand_leader = s.hand_leader;
  v.stake = s.stake;
  v.accepted_team = s.accepted_team;
  v.call_team = s.call_team;
  v.call_rung = s.call_rung;
  v.may_call = s.MayCallNow(seat);
  v.may_run = s.MayRunNow(seat);
  v.eleven_team = s.eleven_team;
  v.iron_hand = s.iron_hand;
  v.blind = s.blind;
  v.points = s.points;
  v.games = s.games;
  return v;
}

}  // namespace truco::table
