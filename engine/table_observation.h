#pragma once
// What one seat may see, in one value: its own cards (none in a blind mão de ferro), its
// partner's cards only while their team decides or plays a hand of eleven, the partner's sign,
// the cards face up on the table (a hidden card is there, its face is not, even to its owner),
// the vira when it is turned up, the calls and the points. Never another seat's card in hand.
// Computer seats, windows and a networked seat read only this.

#include <array>
#include <optional>

#include "engine/table.h"

namespace truco::table {

struct Observation {
  int seat = 0;
  int seats = kMaxSeats;
  TableSettings settings;
  Phase phase = Phase::Idle;
  std::optional<Card> vira;  // face up only with "Manilha Nova"
  ManilhaValues manilha_value{};

  std::array<std::optional<Card>, kHandSize> own{};  // empty when blind
  std::array<bool, kHandSize> own_in_hand{};
  std::array<std::optional<Card>, kHandSize> partner{};  // shown in a hand of eleven only
  std::array<bool, kHandSize> partner_in_hand{};
  Sign partner_sign = Sign::None;

  std::array<Trick, kNumTricks + 1> tricks{};  // a hidden card's face is blanked
  int trick = 1;
  int turn = kNoSeat;
  int hand_leader = kNoSeat;

  int stake = 1;
  int accepted_team = kNoTeam;
  int call_team = kNoTeam;
  Rung call_rung = Rung::Trucar;
  bool may_call = false;  // this seat may call now
  bool may_run = false;   // this seat may run now
  int eleven_team = kNoTeam;
  bool iron_hand = false;
  bool blind = false;
  std::array<int, kNumTeams> points{};
  std::array<int, kNumTeams> games{};

  [[nodiscard]] int team() const { return TeamOf(seat); }
  [[nodiscard]] int Strength(Card card) const {
    return Forca_Carta(card, manilha_value, settings.manilha_mode);
  }
  [[nodiscard]] int StrengthOf(const PlayedCard& p) const {
    return p.hidden ? kHiddenStrength : Strength(p.card);
  }
  // Cards `other` still holds.
  [[nodiscard]] int HeldBy(int other) const;
  friend bool operator==(const Observation&, const Observation&) = default;
};

Observation ObservationOf(const TableState& state, int seat);

}  // namespace truco::table
