// "random" and "greedy" on both seats make only legal moves: every card they name is in hand,
// every trick result they give matches the cards, and no game gets stuck.

#include <gtest/gtest.h>

#include "tools/arena/match.h"

namespace truco::arena {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr long kGames = 10000;  // scaled down under the sanitizers
#else
constexpr long kGames = 100000;
#endif

TEST(LegalMoves, RandomAndGreedyOverAHundredThousandGames) {
  const MatchResult r = PlayMatch("random", "greedy", kGames, 20261207);
  EXPECT_EQ(r.games, kGames);
  EXPECT_EQ(r.stuck, 0);
  EXPECT_EQ(r.side[0].illegal, 0);
  EXPECT_EQ(r.side[1].illegal, 0);
  EXPECT_EQ(r.side[0].games_won + r.side[1].games_won, kGames);
  // Both made calls and both answered some: the betting paths ran, not only the cards.
  EXPECT_GT(r.side[0].calls, kGames);
  EXPECT_GT(r.side[1].calls_accepted, 0);
}

}  // namespace
}  // namespace truco::arena
