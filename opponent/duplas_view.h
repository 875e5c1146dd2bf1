#pragma once
// What one of the four seats may see, in one value: its own cards (none in a blind mão de ferro),
// the partner's cards only when their team decides or plays a hand of eleven, the partner's sign,
// the cards face up on the table (a hidden card is there, its face is not), the calls and the
// points. Computer seats and the table window read only this.

#include <array>
#include <optional>

#include "engine/duplas.h"

namespace truco::duplas {

struct DuplasView {
  int seat = kSouth;
  DuplasSettings settings;
  Phase phase = Phase::Idle;
  std::optional<Card> vira;  // face up only with "Manilha Nova"
  ManilhaValues manilha_value{};

  std::array<std::optional<Card>, kHandSize> own{};  // empty when blind
  std::array<bool, kHandSize> own_in_hand{};
  std::array<std::optional<Card>, kHandSize> partner{};  // shown in a hand of eleven only
  std::array<bool, kHandSize> partner_in_hand{};
  Sign partner_sign = Sign::None;

  std::array<Trick, 4> tricks{};  // a hidden card's face is blanked
  int trick = 1;
  int turn = kNoSeat;
  int hand_leader = kNoSeat;

  int stake = 1;
  int accepted_team = -1;
  int call_team = -1;
  Rung call_rung = Rung::Trucar;
  bool may_call = false;  // this seat may call now
  int eleven_team = -1;
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
  // Cards `seat` still holds.
  [[nodiscard]] int HeldBy(int other) const;
};

DuplasView ViewOf(const DuplasState& state, int seat);

// The sign for the best of these cards (manilha suit, or "nothing good").
Sign SignOfStrength(int best_strength);

}  // namespace truco::duplas
