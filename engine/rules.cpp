#include "engine/rules.h"

#include <algorithm>

#include "engine/state.h"

namespace truco {

Taker TrickResult(int mine, int theirs) {
  if (mine > theirs) return Taker::Mine;
  if (mine < theirs) return Taker::Theirs;
  return Taker::Tie;
}

TrickCount CreditTrick(int trick, Taker result, Taker first_trick) {
  switch (result) {
    case Taker::Mine:
      return {1, 0};
    case Taker::Theirs:
      return {0, 1};
    case Taker::Tie:
      if (trick == 1 || (trick == 2 && first_trick != Taker::Tie)) return {1, 1};
      if (trick == 3) {
        if (first_trick == Taker::Mine) return {1, 0};
        if (first_trick == Taker::Theirs) return {0, 1};
      }
      return {0, 0};
    case Taker::Nobody:
      break;
  }
  return {0, 0};
}

Taker HandWinner(TrickCount count) {
  if (count.mine >= 2 && count.theirs < 2) return Taker::Mine;
  if (count.theirs >= 2 && count.mine < 2) return Taker::Theirs;
  return Taker::Nobody;
}

Taker HandWinnerOf(const std::array<Taker, 4>& results) {
  TrickCount count;
  for (int t = 1; t <= 3; ++t) {
    const Taker r = results[static_cast<std::size_t>(t)];
    if (r == Taker::Nobody) break;
    const TrickCount add = CreditTrick(t, r, results[1]);
    count.mine += add.mine;
    count.theirs += add.theirs;
    // The hand ends as soon as it is decided: later tricks are never played.
    if (t >= 2) {
      if (const Taker w = HandWinner(count); w != Taker::Nobody) return w;
    }
    if (t == 3) return Taker::Tie;
  }
  return Taker::Nobody;
}

int PointsAfter(int points, int amount, bool capped) {
  const int sum = points + amount;
  return capped ? std::min(sum, kPointsToWin) : sum;
}

Taker GameWinner(int mine, int theirs) {
  if (mine >= kPointsToWin) return Taker::Mine;
  if (theirs >= kPointsToWin) return Taker::Theirs;
  return Taker::Nobody;
}

std::optional<Rung> NextCall(int stake) {
  switch (stake) {
    case 1:
      return Rung::Trucar;
    case 3:
      return Rung::Seis;
    case 6:
      return Rung::Nove;
    case 9:
      return Rung::Doze;
    default:
      return std::nullopt;
  }
}

bool MayCall(int stake, bool hand_of_eleven, bool accepted_last_call) {
  if (hand_of_eleven || !NextCall(stake)) return false;
  return stake == 1 || accepted_last_call;
}

}  // namespace truco
