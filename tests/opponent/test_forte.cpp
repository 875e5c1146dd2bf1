// "Forte" decides only from what its seat may see: swapping the other side's cards that are still
// hidden changes none of its decisions, on either seat. And a few positions whose answer does
// not depend on the sampling.

#include <gtest/gtest.h>

#include <random>

#include "opponent/forte.h"
#include "tests/opponent/swap_probe.h"
#include "tools/arena/match.h"
#include "tools/arena/players.h"
#include "tools/arena/seats.h"

namespace truco {
namespace {

TEST(ForteSeesOnlyItsSeat, SwappingThePlayersHiddenCardsChangesNoDecision) {
  ForteJudgement forte(3);
  std::mt19937 rng(42);
  SwapProbe probe(
      forte, [&](const GameState& s) { return SwapHidden(s, kPlayerCards, kPlayerHandTop, rng); });
  auto random = arena::MakePlayer("random", 9);
  for (std::uint64_t game = 0; game < 100; ++game) {
    arena::PlayOneGame(*random, probe, game);
  }
  EXPECT_GT(probe.asked, 1500);
  EXPECT_EQ(probe.differed, 0) << "of " << probe.asked;
}

TEST(ForteSeesOnlyItsSeat, OnThePlayersSeatTheComputersHiddenCardsChangeNoDecision) {
  ForteJudgement forte(4);
  std::mt19937 rng(43);
  const Game* game = nullptr;
  // On the player's side forte is given the mirrored view; the swap happens in the real game
  // behind it, and the mirror is built again from the swapped state.
  SwapProbe probe(forte, [&](const GameState& mirror) {
    const GameState real = SwapHidden(game->state(), kComputerCards, kComputerHandTop, rng);
    GameState again = arena::MirrorForPlayerSeat(real);
    // Keep what the seat itself was told (a third-trick card moved for a call, say).
    again.BTrucar = mirror.BTrucar;
    return again;
  });
  auto random = arena::MakePlayer("random", 10);
  long asked_before = 0;
  for (std::uint64_t seed = 0; seed < 100; ++seed) {
    arena::DuplicateRandom chance(seed);
    arena::PlayerSeat player(probe);
    arena::ComputerSeat computer(*random);
    Game g(player, chance, computer);
    game = &g;
    player.Bind(g);
    g.BInicioClick();
    for (int events = 0; g.state().games_player + g.state().games_computer == 0 && events < 5000;
         ++events) {
      if (!player.Act()) break;
    }
    asked_before = probe.asked;
  }
  EXPECT_GT(asked_before, 1500);
  EXPECT_EQ(probe.differed, 0) << "of " << probe.asked;
}

// --- positions --------------------------------------------------------------------------------

// Cards under a turned 4 of Hearts: the 5s are the manilhas (Clubs 13, Hearts 12, Spades 11,
// Diamonds 10); a 3 is 9, a 2 is 8, an Ace 7, a Rei 6, a 6 is 2 and a 4 is 0.
SeatView Start(std::array<Card, 3> cards, int own_points, int opp_points) {
  SeatView v;
  v.vira = Card{4, Suit::Hearts};
  v.manilha_value.fill(5);
  for (std::size_t i = 0; i < 3; ++i) {
    v.own_card[i] = cards[i];
    v.own_strength[i] = v.Strength(cards[i]);
    v.own_in_hand[i] = true;
  }
  v.own_points = own_points;
  v.opp_points = opp_points;
  v.we_lead_trick = true;
  v.next_rung = Rung::Trucar;
  v.may_call = true;
  return v;
}

constexpr Card kFourClubs{4, Suit::Clubs}, kFourSpades{4, Suit::Spades}, kSixClubs{6, Suit::Clubs};
constexpr Card kSevenClubs{7, Suit::Clubs}, kThreeClubs{3, Suit::Clubs};
constexpr Card kZapClubs{5, Suit::Clubs}, kCopasHearts{5, Suit::Hearts},
    kEspadilha{5, Suit::Spades};

TEST(FortePositions, AcceptsWhenRunningWouldHandOverTheGame) {
  ForteJudgement forte;
  SeatView v = Start({kFourClubs, kSixClubs, kSevenClubs}, 4,
                     9);  // the weakest cards; the other side at 9 calls "Seis"
  v.stake = 3;
  EXPECT_NE(forte.Answer(v, Rung::Seis), CallAnswer::Run);
  v.opp_points = 2;  // the same cards with the game far away: not worth 6
  EXPECT_EQ(forte.Answer(v, Rung::Seis), CallAnswer::Run);
}

TEST(FortePositions, NeverRunsWithTheTopManilhas) {
  ForteJudgement forte;
  const SeatView v = Start({kEspadilha, kCopasHearts, kZapClubs}, 0, 0);
  EXPECT_NE(forte.Answer(v, Rung::Trucar), CallAnswer::Run);
  EXPECT_TRUE(forte.PlaysEleven(Start({kEspadilha, kCopasHearts, kZapClubs}, 11, 5)));
}

TEST(FortePositions, GivesUpAHopelessHandOfElevenThatWouldLoseTheGame) {
  ForteJudgement forte;
  // At 11 against 10 with the three weakest cards: playing for 3 and losing ends the game.
  EXPECT_FALSE(forte.PlaysEleven(Start({kFourClubs, kFourSpades, kSixClubs}, 11, 10)));
}

TEST(FortePositions, AnswersTheLedCardWithTheCheapestWinnerInTheLastTrick) {
  ForteJudgement forte;
  SeatView v = Start({kSevenClubs, kThreeClubs, kZapClubs}, 0, 0);
  v.we_lead_trick = false;
  v.trick = 2;
  v.outcome[1] = TrickOutcome::Won;
  v.own_in_hand[2] = false;  // the manilha went in the first trick
  v.own_played[1] = 13;
  v.opp_played[1] = 8;
  v.opp_card[1] = Card{2, Suit::Hearts};
  v.opp_played[2] = 6;  // a Rei led into the second trick: the 3 takes it and the hand
  EXPECT_EQ(forte.BestCard(v), 1);
}

}  // namespace
}  // namespace truco
