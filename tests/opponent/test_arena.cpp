// Duplicate deals and a short match: the arena's own promises, not the players' strength.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "tools/arena/match.h"
#include "tools/arena/players.h"

namespace truco::arena {
namespace {

std::uint64_t TestSeed() {
  const char* fixed = std::getenv("TRUCO_TEST_SEED");
  const std::uint64_t seed = fixed ? std::strtoull(fixed, nullptr, 10) : std::random_device{}();
  std::printf("arena test seed %llu (TRUCO_TEST_SEED replays it)\n",
              static_cast<unsigned long long>(seed));
  return seed;
}

// Both games of a pair: the cards the first player held in the first game are the cards the
// second player holds in the second, deal for deal, and so are the other seat's and the vira.
std::size_t ExpectSameDealsSeatForSeat(const std::string& a, const std::string& b,
                                       std::uint64_t seed, GameSettings settings) {
  auto pa = MakePlayer(a, 1);
  auto pb = MakePlayer(b, 2);
  const GameRecord first = PlayOneGame(*pa, *pb, seed, /*log_deals=*/true, settings);
  const GameRecord second = PlayOneGame(*pb, *pa, seed, /*log_deals=*/true, settings);
  EXPECT_FALSE(first.stuck);
  EXPECT_FALSE(second.stuck);
  // A game of one hand at twelve still logs its first deal and the next.
  const std::size_t n = std::min(first.deals.size(), second.deals.size());
  EXPECT_GE(n, 2u);
  for (std::size_t k = 0; k < n; ++k) {
    SCOPED_TRACE("deal " + std::to_string(k) + " of " + a + " vs " + b);
    EXPECT_EQ(first.deals[k].player, second.deals[k].player);
    EXPECT_EQ(first.deals[k].computer, second.deals[k].computer);
    if (settings.manilha_mode == ManilhaMode::Nova) {
      EXPECT_EQ(first.deals[k].vira, second.deals[k].vira);
    }
  }
  return n;
}

TEST(DuplicateDeals, BothSeatingsGetTheSameCardsSeatForSeat) {
  const std::uint64_t seed = TestSeed();
  std::size_t compared = 0;
  for (std::uint64_t i = 0; i < 20; ++i) {
    compared += ExpectSameDealsSeatForSeat("classic", "random", seed + i, {});
    compared += ExpectSameDealsSeatForSeat("forte", "greedy", seed + i, {});
  }
  // The other deck and the fixed manilhas deal from the same numbers too.
  compared +=
      ExpectSameDealsSeatForSeat("greedy", "random", seed, {kBaralhoLimpo, ManilhaMode::Nova, 0});
  compared +=
      ExpectSameDealsSeatForSeat("random", "classic", seed, {kBaralhoSujo, ManilhaMode::Velha, 1});
  EXPECT_GT(compared, 200u);
}

TEST(DuplicateDeals, DifferentSequencesDealDifferentHands) {
  auto pa = MakePlayer("classic", 1);
  auto pb = MakePlayer("classic", 2);
  const GameRecord one = PlayOneGame(*pa, *pb, 11, true);
  const GameRecord other = PlayOneGame(*pa, *pb, 12, true);
  int same = 0;
  const std::size_t n = std::min(one.deals.size(), other.deals.size());
  for (std::size_t k = 0; k < n; ++k) same += one.deals[k].player == other.deals[k].player;
  EXPECT_LT(same, static_cast<int>(n));
}

TEST(Wilson, IntervalOfKnownCounts) {
  // 60 of 100: the textbook interval is about [0.502, 0.691].
  const Interval w = Wilson(60, 100);
  EXPECT_NEAR(w.low, 0.5020, 0.001);
  EXPECT_NEAR(w.high, 0.6906, 0.001);
  const Interval none = Wilson(0, 10);
  EXPECT_DOUBLE_EQ(none.low, 0.0);
  EXPECT_GT(none.high, 0.2);
  const Interval all = Wilson(10, 10);
  EXPECT_DOUBLE_EQ(all.high, 1.0);
}

TEST(Match, ForteBeatsRandomByAWideMargin) {
  constexpr long kGames = 1000;  // about 2 s, 8 s under the sanitizers
  const MatchResult r = PlayMatch("forte", "random", kGames, TestSeed());
  EXPECT_EQ(r.games, kGames);
  EXPECT_EQ(r.stuck, 0);
  EXPECT_EQ(r.side[0].games_won + r.side[1].games_won, kGames);
  EXPECT_GT(Wilson(r.side[0].games_won, r.games).low, 0.75) << FormatTable(r);
}

TEST(Match, SameSeedSameMatch) {
  const MatchResult one = PlayMatch("forte", "random", 20, 5);
  const MatchResult two = PlayMatch("forte", "random", 20, 5);
  EXPECT_EQ(FormatJson(one), FormatJson(two));
  EXPECT_NE(FormatJson(one).find("\"wilson95\""), std::string::npos);
}

}  // namespace
}  // namespace truco::arena
