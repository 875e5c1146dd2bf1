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
      }
    }
  }
}

}  // namespace
}  // namespace truco::testing
