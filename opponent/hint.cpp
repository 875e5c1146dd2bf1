#include "opponent/hint.h"

#include <algorithm>
#include <cmath>

namespace truco {
namespace {

constexpr std::array<CardId, 3> kPlayerCards{kCartaJ1, kCartaJ2, kCartaJ3};
constexpr std::array<CardId, 3> kComputerCards{kCartaM1, kCartaM2, kCartaM3};

TrickOutcome PlayerOutcome(const std::string& result) {
  if (result == kJogador) return TrickOutcome::Won;
  if (result == kMicro) return TrickOutcome::Lost;
  if (result == kEmpate) return TrickOutcome::Tied;
  return TrickOutcome::Open;
}

// The player may click this card now (a face-down card in hand is never hinted).
bool Playable(const GameState& s, CardId id) {
  return s.InHand(id) && !s.cards[id].face_down;
}

std::string Percent(double chance) {
  return std::to_string(static_cast<int>(std::lround(100 * std::clamp(chance, 0.0, 1.0)))) + "%";
}

// The call as a player says it: "truco", then "seis", "nove", "doze".
std::string CallName(Rung rung) {
  return rung == Rung::Trucar ? "truco" : "o " + std::string(Info(rung).caption);
}

}  // namespace

PlayerSeatView ViewFromPlayerSeat(const GameState& s) {
  PlayerSeatView out;
  SeatView& v = out.view;
  v.mode = s.settings.manilha_mode;
  v.deck_type = s.settings.deck_type;
  v.manilha_value = s.manilha_value;
  if (!s.cards[kCVira].face_down) v.vira = s.cards[kCVira].card;

  // Weakest first, as a seat's hand is kept.
  std::array<CardId, 3> ids = kPlayerCards;
  std::stable_sort(ids.begin(), ids.end(), [&](CardId a, CardId b) {
    return s.Strength(s.cards[a].card) < s.Strength(s.cards[b].card);
  });
  out.ids = ids;
  for (std::size_t i = 0; i < 3; ++i) {
    const TableCard& c = s.cards[ids[i]];
    v.own_card[i] = c.card;
    v.own_strength[i] = s.Strength(c.card);
    v.own_in_hand[i] = s.InHand(ids[i]);
    if (const int t = TrickOfRow(c.top); !v.own_in_hand[i] && t != 0) {
      v.own_played[static_cast<std::size_t>(t)] = c.face_down ? kHiddenStrength : v.own_strength[i];
    }
  }
  for (CardId id : kComputerCards) {
    const TableCard& c = s.cards[id];
    if (c.face_down || c.top == kComputerHandTop) continue;
    const int t = TrickOfRow(c.top);
    if (t == 0) continue;
    v.opp_played[static_cast<std::size_t>(t)] = s.Strength(c.card);
    v.opp_card[static_cast<std::size_t>(t)] = c.card;
  }
  for (int t = 1; t <= 3; ++t) {
    v.outcome[static_cast<std::size_t>(t)] =
        PlayerOutcome(s.trick_result[static_cast<std::size_t>(t)]);
  }
  v.trick = 3;
  for (int t = 1; t <= 3; ++t) {
    if (v.outcome[static_cast<std::size_t>(t)] == TrickOutcome::Open) {
      v.trick = t;
      break;
    }
  }
  const auto cur = static_cast<std::size_t>(v.trick);
  v.we_lead_trick = v.own_played[cur] == kNoCard && v.opp_played[cur] == kNoCard && s.turn == 'L';
  v.own_points = s.player_points;
  v.opp_points = s.computer_points;
  v.stake = s.hand_stake;
  v.next_rung = RungFromCaption(s.BTrucar.caption);
  v.may_call = s.may_play && s.BTrucar.visible && s.BTrucar.enabled && s.hand_stake < kTopStake &&
               v.next_rung.has_value();
  v.we_led_hand = s.hand_counter % 2 == 0;
  v.eleven_decided = s.eleven_decided;
  return out;
}

std::optional<Dica> DicaForPlayer(const GameState& s, const MestreJudgement& mestre,
                                  std::optional<Rung> pending) {
  if (s.game_kind == GameKind::EmRede || !s.may_play) return std::nullopt;
  // In the dark the player does not see the own cards; a hint would show them.
  if (s.DarkElevenHand()) return std::nullopt;
  if (!pending && s.turn != 'L' && s.turn != 'J') return std::nullopt;
  // While a hand of eleven is being decided nobody plays yet.
  if ((s.player_points == kHandOfEleven || s.computer_points == kHandOfEleven) &&
      !s.eleven_decided) {
    return std::nullopt;
  }
  const PlayerSeatView seat = ViewFromPlayerSeat(s);
  Advice advice = mestre.Advise(seat.view, pending);
  Dica dica;
  dica.hand_chance = advice.hand_chance;
  const std::string chance = " (chance de ganhar a mão: " + Percent(advice.hand_chance) + ")";
  switch (advice.kind) {
    case Advice::Kind::Call:
      dica.kind = advice.kind;
      dica.text = "Dica: peça " + CallName(*seat.view.next_rung) + chance;
      return dica;
    case Advice::Kind::Accept:
      dica.kind = advice.kind;
      dica.text = "Dica: aceite" + chance;
      return dica;
    case Advice::Kind::Raise:
      dica.kind = advice.kind;
      dica.text = "Dica: aumente a aposta" + chance;
      return dica;
    case Advice::Kind::Run:
      dica.kind = advice.kind;
      dica.text = "Dica: corra" + chance;
      return dica;
    case Advice::Kind::Card:
    case Advice::Kind::None:
      break;
  }
  if (advice.kind != Advice::Kind::Card || advice.slot < 0 ||
      !Playable(s, seat.ids[static_cast<std::size_t>(advice.slot)])) {
    // No advice the player could follow: the first card that may be played, if any.
    advice.slot = -1;
    for (std::size_t i = 0; i < 3; ++i) {
      if (Playable(s, seat.ids[i])) {
        advice.slot = static_cast<int>(i);
        break;
      }
    }
    if (advice.slot < 0) return std::nullopt;
  }
  const CardId id = seat.ids[static_cast<std::size_t>(advice.slot)];
  dica.kind = Advice::Kind::Card;
  dica.card_index = static_cast<int>(id) - static_cast<int>(kCartaJ1);
  dica.card = s.cards[id].card;
  dica.text = "Dica: jogue " + CardName(dica.card) + " (tecla " +
              std::to_string(dica.card_index + 1) + ")" + chance;
  return dica;
}

}  // namespace truco
