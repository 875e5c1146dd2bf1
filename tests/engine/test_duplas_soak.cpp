// A million hands in pairs with random play and betting, every invariant checked after every
// event. Labelled "soak": ctest -L soak.

#include <gtest/gtest.h>

#include "tests/engine/duplas_random_play.h"

namespace truco::duplas::testing {
namespace {

#ifdef TRUCO_SANITIZED
constexpr long kSoakHands = 100000;
#else
constexpr long kSoakHands = 1000000;
#endif

TEST(DuplasSoak, AMillionHandsKeepEveryInvariant) {
  DuplasRandomRun run(TestSeed("duplas soak"));
  run.Play(kSoakHands);
  ASSERT_FALSE(HasFailure());
  EXPECT_GT(run.checker.games, kSoakHands / 100);
  std::printf("duplas soak: %ld hands, %ld games, %ld tricks, %ld re-deals\n", run.checker.deals,
              run.checker.games, run.checker.tricks, run.checker.redeals);
}

}  // namespace
}  // namespace truco::duplas::testing
