#include <gtest/gtest.h>

#include "tests/engine/random_play.h"

namespace truco::testing {
namespace {

TEST(RandomPlay, HundredThousandHandsWithoutBetsKeepEveryInvariant) {
  RandomRun run(20261207);
  run.Play(100000, /*betting=*/false);
  EXPECT_GT(run.checker.games, 1000);
  EXPECT_GT(run.checker.tricks, 150000);
}

TEST(RandomPlay, HundredThousandHandsWithRandomBettingKeepEveryInvariant) {
  RandomRun run(777);
  run.Play(100000, /*betting=*/true);
  EXPECT_GT(run.screen.dialogs, 1000);
  EXPECT_GT(run.checker.games, 500);
}

TEST(RandomPlay, EveryDeckAndManilhaModeDealsOnlyItsOwnCards) {
  for (char deck : {kBaralhoSujo, kBaralhoLimpo}) {
    for (ManilhaMode mode : {ManilhaMode::Nova, ManilhaMode::Velha}) {
      for (int eleven : {0, 1}) {
        RandomRun run(static_cast<std::uint64_t>(deck * 10 + static_cast<int>(mode) * 2 + eleven));
        run.game.mutable_state().settings = {deck, mode, eleven};
        run.Play(5000, /*betting=*/true);
        // Over five thousand deals every card of the written deck turns up, and nothing else.
        std::set<std::pair<int, int>> whole;
        for (int value : WrittenDeckValues(deck))
          for (int suit = 0; suit < kNumSuits; ++suit) whole.insert({value, suit});
        EXPECT_EQ(run.checker.dealt_ever, whole);
      }
    }
  }
}

}  // namespace
}  // namespace truco::testing
