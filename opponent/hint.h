#pragma once
// "Dica": what "Mestre" would do now in the player's seat (which card, or call, accept, raise,
// run) and its estimate of the chance of winning the hand. It reads only what the player may
// see, as "Mestre" does from its own seat, and names only a move the player may make now.

#include <array>
#include <optional>
#include <string>

#include "engine/state.h"
#include "opponent/mestre.h"
#include "opponent/seat_view.h"

namespace truco {

// The player's seat: its own cards (weakest first), the computer's cards only once face up on
// the table. `ids` gives the player's card (CartaJ1..CartaJ3) behind each slot of the view.
struct PlayerSeatView {
  SeatView view;
  std::array<CardId, 3> ids{kCartaJ1, kCartaJ2, kCartaJ3};
};
PlayerSeatView ViewFromPlayerSeat(const GameState& state);

struct Dica {
  Advice::Kind kind = Advice::Kind::None;
  int card_index = -1;  // for a card: 0..2, CartaJ1..CartaJ3
  Card card{};
  double hand_chance = 0.5;
  std::string text;  // the line shown at the window's foot
};

// The hint for the player now; none in a game between two people, before a deal, or while it is
// not the player's move. `pending`: the computer's call that waits for the player's answer.
std::optional<Dica> DicaForPlayer(const GameState& state, const MestreJudgement& mestre,
                                  std::optional<Rung> pending = std::nullopt);

}  // namespace truco
