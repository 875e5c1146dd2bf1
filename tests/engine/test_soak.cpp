// A million hands with random clicks and random betting through the headless game, checking the
// invariants after every event. Labelled "soak" so it can run alone: ctest -L soak.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "tests/engine/random_play.h"

namespace truco::testing {
namespace {

constexpr long kSoakHands = 1000000;

// A new seed every run widens what CI covers; TRUCO_TEST_SEED replays a failed run exactly.
std::uint64_t SoakSeed() {
  const char* fixed = std::getenv("TRUCO_TEST_SEED");
  const std::uint64_t seed = fixed ? std::strtoull(fixed, nullptr, 10) : std::random_device{}();
  std::printf("soak: seed %llu\n", static_cast<unsigned long long>(seed));
  return seed;
}

TEST(Soak, AMillionHandsWithRandomBettingKeepEveryInvariant) {
  RandomRun run(SoakSeed());
  run.Play(kSoakHands, /*betting=*/true);
  ASSERT_FALSE(HasFailure());
  EXPECT_GE(run.checker.deals, kSoakHands);
  // Betting really happened and whole games were played out, not one endless hand.
  EXPECT_GT(run.screen.dialogs, kSoakHands / 100);
  EXPECT_GT(run.checker.games, kSoakHands / 200);
  std::printf("soak: %ld hands, %ld games, %ld tricks, %ld truco dialogs; %ld events checked\n",
              run.checker.deals, run.checker.games, run.checker.tricks, run.screen.dialogs,
              run.checker.events);
  RecordProperty("hands", static_cast<int>(run.checker.deals));
  RecordProperty("events", static_cast<int>(run.checker.events));
}

}  // namespace
}  // namespace truco::testing
