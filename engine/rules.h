#pragma once
// The rules of a hand and a game that do not depend on who the other side is: a game against the
// computer and a game between two connected people both score through these, so the two can
// never drift apart. Each side is named from one point of view: `Mine` is the side whose tally is
// kept first (the player against the computer, either person in a networked game), `Theirs` the
// other.

#include <array>
#include <optional>

#include "engine/ladder.h"

namespace truco {

// Who took a trick, or a hand.
enum class Taker : std::uint8_t { Nobody, Mine, Theirs, Tie };

// Who takes a trick between two cards of these strengths (a hidden card counts -1): the higher;
// equal strengths tie it.
Taker TrickResult(int mine, int theirs);

// Tricks credited to each side.
struct TrickCount {
  int mine = 0;
  int theirs = 0;
  friend bool operator==(const TrickCount&, const TrickCount&) = default;
};

// What trick `trick` (1..3) with this result adds to the count. A tie credits both sides in the
// first trick, and in the second unless the first tied; a tied third trick goes to the first
// trick's winner (nobody when the first tied too).
TrickCount CreditTrick(int trick, Taker result, Taker first_trick);

// The hand's winner from the count: a side with two or more while the other has fewer than two.
// Nobody while the hand goes on.
Taker HandWinner(TrickCount count);

// The winner of a hand from its trick results (index 1..3; Nobody for a trick not played), or
// Nobody while it goes on. Tie when all three tied: the hand is dealt again.
Taker HandWinnerOf(const std::array<Taker, 4>& results);

// Points after gaining `amount`: a hand won on tricks never shows more than 12; some other gains
// are added whole (the game-end check reads 12 or more).
int PointsAfter(int points, int amount, bool capped);

// The winner of the game once a hand has been scored: the side with 12 or more, `Mine` tested
// first; Nobody while the game goes on.
Taker GameWinner(int mine, int theirs);

// The rung that is next to call at this stake (1, 3, 6, 9), none at 12 or an odd stake.
std::optional<Rung> NextCall(int stake);

// Whether a side may call the next rung: never at 12 nor in a hand of eleven; the opening call
// is open to both; a later rung only to the side that accepted the last call.
bool MayCall(int stake, bool hand_of_eleven, bool accepted_last_call);

// The stake of a hand that a side at 11 agrees to play (the other not at 11).
inline constexpr int kElevenStake = 3;
// What the other side gains when a side at 11 gives the hand up.
inline constexpr int kElevenGiveUp = 1;

}  // namespace truco
