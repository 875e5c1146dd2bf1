#include "opponent/duplas_view.h"

namespace truco::duplas {

int DuplasView::HeldBy(int other) const {
  int played = 0;
  for (int t = 1; t <= 3; ++t) {
    const Trick& tr = tricks[static_cast<std::size_t>(t)];
    for (int i = 0; i < tr.count; ++i) {
      if (tr.cards[static_cast<std::size_t>(i)].seat == other) ++played;
    }
  }
  return kHandSize - played;
}

Sign SignOfStrength(int best) {
  switch (best) {
    case kFirstManilhaStrength + 3:
      return Sign::Zap;
    case kFirstManilhaStrength + 2:
      return Sign::Copas;
    case kFirstManilhaStrength + 1:
      return Sign::Espadilha;
    case kFirstManilhaStrength:
      return Sign::PicaFumo;
    default:
      return Sign::Nada;
  }
}

DuplasView ViewOf(const DuplasState& s, int seat) {
  DuplasView v;
  v.seat = seat;
  v.settings = s.settings;
  v.phase = s.phase;
  if (s.phase == Phase::Idle && s.hands == 0) return v;
  if (s.settings.manilha_mode == ManilhaMode::Nova) v.vira = s.vira;
  v.manilha_value = s.manilha_value;
  const auto me = static_cast<std::size_t>(seat);
  const auto mate = static_cast<std::size_t>(PartnerOf(seat));
  v.own_in_hand = s.in_hand[me];
  v.partner_in_hand = s.in_hand[mate];
  for (std::size_t i = 0; i < kHandSize; ++i) {
    if (!s.blind) v.own[i] = s.hand[me][i];
    if (s.eleven_team == TeamOf(seat)) v.partner[i] = s.hand[mate][i];
  }
  if (s.settings.signs) v.partner_sign = s.sign[mate];
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
  v.eleven_team = s.eleven_team;
  v.iron_hand = s.iron_hand;
  v.blind = s.blind;
  v.points = s.points;
  v.games = s.games;
  return v;
}

}  // namespace truco::duplas
