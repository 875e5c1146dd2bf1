// "Mestre" on both seats against random and greedy play over a hundred thousand games: every
// card it names is in hand, every trick result matches the cards, no game gets stuck.

#include <gtest/gtest.h>

#include "tools/arena/match.h"

namespace truco::arena {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr long kGames = 2000;  // scaled down under the sanitizers
#else
constexpr long kGames = 50000;  // per opponent
#endif

TEST(MestreLegalMoves, AHundredThousandGames) {
  for (const char* other : {"random", "greedy"}) {
    const MatchResult r = PlayMatch("mestre", other, kGames, 20261208);
    EXPECT_EQ(r.games, kGames) << other;
    EXPECT_EQ(r.stuck, 0) << other;
    EXPECT_EQ(r.side[0].illegal, 0) << other;
    EXPECT_EQ(r.side[1].illegal, 0) << other;
    EXPECT_GT(r.side[0].calls, 0) << other;
  }
}

}  // namespace
}  // namespace truco::arena
