#include <gtest/gtest.h>

#include "engine/cards.h"

namespace truco {
namespace {

TEST(Manilhas, ViraOfThreeWrapsToTheBottomOfEachDeck) {
  EXPECT_EQ(Proxima(kBaralhoSujo, 3), 4);
  EXPECT_EQ(Proxima(kBaralhoLimpo, 3), kDama);
  EXPECT_EQ(Proxima(kBaralhoSujo, kRei), kAce);
  EXPECT_EQ(Proxima(kBaralhoLimpo, kRei), kAce);
}

}  // namespace
}  // namespace truco
