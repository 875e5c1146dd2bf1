#include "opponent/seat_view.h"

namespace truco {
namespace {

constexpr std::array<CardId, 3> kPlayerCards{kCartaJ1, kCartaJ2, kCartaJ3};

TrickOutcome OutcomeOf(const std::string& result) {
  if (result == kMicro) return TrickOutcome::Won;
  if (result == kJogador) return TrickOutcome::Lost;
  if (result == kEmpate) return TrickOutcome::Tied;
  return TrickOutcome::Open;
}

}  // namespace

int TrickOfRow(int top) {
  for (int t = 1; t <= 3; ++t) {
    if (kTrickTops[static_cast<std::size_t>(t)] == top) return t;
  }
  return 0;
}

SeatView ViewFromComputerSeat(const GameState& s, std::optional<int> player_strength) {
  SeatView v;
  v.mode = s.settings.manilha_mode;
  v.deck_type = s.settings.deck_type;
  v.manilha_value = s.manilha_value;
  if (!s.cards[kCVira].face_down) v.vira = s.cards[kCVira].card;

  for (std::size_t i = 0; i < 3; ++i) {
    const HandSlot& slot = s.computer_hand[i];
    const TableCard& own = s.cards[slot.card];
    v.own_card[i] = own.card;
    v.own_strength[i] = slot.strength;
    v.own_in_hand[i] = !slot.played;
    if (const int t = TrickOfRow(own.top);
        slot.played && t != 0 && own.left == kTrickComputerLeft) {
      v.own_played[static_cast<std::size_t>(t)] = slot.strength;
    }
  }
  // The player's cards count only once they lie in a trick row; face down there, only the fact
  // that a card was played is seen.
  for (CardId id : kPlayerCards) {
    const TableCard& c = s.cards[id];
    if (c.top == kPlayerHandTop || c.left != kTrickPlayerLeft) continue;
    const int t = TrickOfRow(c.top);
    if (t == 0) continue;
    if (c.face_down) {
      v.opp_played[static_cast<std::size_t>(t)] = kHiddenStrength;
    } else {
      v.opp_played[static_cast<std::size_t>(t)] = s.Strength(c.card);
      v.opp_card[static_cast<std::size_t>(t)] = c.card;
    }
  }

  for (int t = 1; t <= 3; ++t)
    v.outcome[static_cast<std::size_t>(t)] = OutcomeOf(s.trick_result[static_cast<std::size_t>(t)]);
  v.trick = 3;
  for (int t = 1; t <= 3; ++t) {
    if (v.outcome[static_cast<std::size_t>(t)] == TrickOutcome::Open) {
      v.trick = t;
      break;
    }
  }
  const auto cur = static_cast<std::size_t>(v.trick);
  if (player_strength && v.opp_played[cur] == kNoCard) v.opp_played[cur] = *player_strength;
  v.we_lead_trick = v.own_played[cur] == kNoCard && v.opp_played[cur] == kNoCard && s.turn == 'M';

  v.own_points = s.computer_points;
  v.opp_points = s.player_points;
  v.stake = s.hand_stake;
  v.next_rung = RungFromCaption(s.BTrucar.caption);
  v.may_call = s.BTrucar.visible && s.hand_stake < kTopStake && v.next_rung.has_value() &&
               (!s.BTrucar.enabled || *v.next_rung == Rung::Trucar);
  v.we_led_hand = s.hand_counter % 2 != 0;
  v.eleven_decided = s.eleven_decided;
  return v;
}

}  // namespace truco
