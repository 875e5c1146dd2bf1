#pragma once
// A random player and a random bettor that play whole runs through the headless game while an
// observer checks the invariants after every deal, trick and change of points.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>

#include "engine/game.h"
#include "opponent/computer.h"
#include "tests/engine/random_player.h"

namespace truco::testing {

// The decks as the rules give them, written out here rather than taken from the engine's own
// table: the dirty deck is the forty cards without the eights, nines and tens; the clean deck
// keeps only the aces, twos, threes and the figures.
inline std::set<int> WrittenDeckValues(char deck_type) {
  if (deck_type == kBaralhoLimpo) return {1, 2, 3, 11, 12, 13};
  return {1, 2, 3, 4, 5, 6, 7, 11, 12, 13};
}

// Checks what must hold after every event of the game.
class InvariantChecker : public GameObserver {
 public:
  void OnDeal(const GameState& s) override {
    ++deals;
    ++events;
    if (deals > 1) {
      EXPECT_TRUE(hand_ended) << "a new deal without the previous hand ending";
    }
    hand_ended = false;
    CheckCards(s);
  }
  void OnTrick(const GameState& s, int trick) override {
    ++events;
    ++tricks;
    EXPECT_TRUE(s.trick_result[static_cast<std::size_t>(trick)] == kJogador ||
                s.trick_result[static_cast<std::size_t>(trick)] == kMicro ||
                s.trick_result[static_cast<std::size_t>(trick)] == kEmpate);
    // Exactly one card of each side lies in every trick placed so far.
    for (int t = 1; t <= trick; ++t) {
      int player = 0, computer = 0;
      for (int id = kCartaJ1; id <= kCartaM3; ++id) {
        const TableCard& c = s.cards[static_cast<std::size_t>(id)];
        if (c.top != kTrickTops[static_cast<std::size_t>(t)]) continue;
        if (id <= kCartaJ3 && c.left == kTrickPlayerLeft) ++player;
        if (id >= kCartaM1 && c.left == kTrickComputerLeft) ++computer;
      }
      EXPECT_EQ(player, 1) << "trick " << t;
      EXPECT_EQ(computer, 1) << "trick " << t;
    }
    const int played =
        static_cast<int>(std::count_if(s.computer_hand.begin(), s.computer_hand.end(),
                                       [](const HandSlot& h) { return h.played; }));
    EXPECT_EQ(played, trick);
    EXPECT_TRUE(IsLadderValue(s.hand_stake)) << s.hand_stake;
    if (trick == 3 && s.trick_result[1] == kEmpate && s.trick_result[2] == kEmpate &&
        s.trick_result[3] == kEmpate) {
      hand_ended = true;
    }
  }
  void OnPoints(const GameState& s, Side side, int before, PointsReason reason) override {
    ++events;
    const int after = side == Side::Player ? s.player_points : s.computer_points;
    const int stake = s.hand_stake;
    switch (reason) {
      case PointsReason::HandWon:
        EXPECT_EQ(after, std::min(12, before + stake));
        EXPECT_TRUE(IsLadderValue(stake));
        hand_ended = true;
        break;
      case PointsReason::PlayerRan:  // from a call (its run value) or by "Correr" (the stake)
        EXPECT_EQ(side, Side::Computer);
        EXPECT_EQ(after, before + stake);
        EXPECT_TRUE(IsLadderValue(stake)) << stake;
        hand_ended = true;
        break;
      case PointsReason::ComputerRan:
        EXPECT_EQ(side, Side::Player);
        EXPECT_EQ(after, std::min(12, before + stake));
        EXPECT_TRUE(stake == 1 || stake == 3 || stake == 6 || stake == 9) << stake;
        hand_ended = true;
        break;
      case PointsReason::ElevenGivenUp:
        EXPECT_EQ(side, Side::Player);
        EXPECT_EQ(after, before + 1);
        hand_ended = true;
        break;
      case PointsReason::GameEnded:
        if (side == winner_) {
          EXPECT_GE(before, 12);
        }
        EXPECT_EQ(after, 0);
        hand_ended = true;
        break;
      case PointsReason::Restarted:
        EXPECT_EQ(after, 0);
        hand_ended = true;
        break;
    }
  }
  void OnGameEnd(const GameState& s, Side winner) override {
    ++events;
    ++games;
    winner_ = winner;
    // Counted exactly when a side reached 12: the tally moved by one for the winner only.
    EXPECT_EQ(s.games_player + s.games_computer, last_games_ + 1);
    last_games_ = s.games_player + s.games_computer;
  }

  static bool IsLadderValue(int stake) {
    return stake == 1 || stake == 3 || stake == 6 || stake == 9 || stake == 12;
  }

  long deals = 0, tricks = 0, games = 0, events = 0;
  // Every card dealt in the run, as (value, suit).
  std::set<std::pair<int, int>> dealt_ever;
  bool hand_ended = false;

 private:
  Side winner_ = Side::Player;
  int last_games_ = 0;

  void CheckCards(const GameState& s) {
    const std::set<int> values = WrittenDeckValues(s.settings.deck_type);
    std::set<std::pair<int, int>> seen;
    int dealt = 0;
    for (int id = kCartaJ1; id <= kCVira; ++id) {
      if (id == kCVira && s.settings.manilha_mode == ManilhaMode::Velha) continue;
      const Card c = s.cards[static_cast<std::size_t>(id)].card;
      EXPECT_TRUE(values.count(c.Value)) << "value " << int{c.Value} << " is not in the deck";
      EXPECT_TRUE(seen.insert({c.Value, static_cast<int>(c.suit)}).second) << "repeated card";
      dealt_ever.insert({c.Value, static_cast<int>(c.suit)});
      ++dealt;
    }
    EXPECT_EQ(s.used_cards.Count(), dealt);
    for (const HandSlot& h : s.computer_hand) {
      EXPECT_EQ(h.strength, s.Strength(s.cards[h.card].card));
    }
    EXPECT_LE(s.computer_hand[0].strength, s.computer_hand[1].strength);
    EXPECT_LE(s.computer_hand[1].strength, s.computer_hand[2].strength);
    EXPECT_EQ(s.hand_stake, 1);
  }
};

// Chance that can be replayed: the game reseeds at every deal, and here each new seed comes from a
// sequence started by one number instead of from the clock, so a run repeats exactly from its seed.
class ReplayableRandom final : public RandomSource {
 public:
  void Seed(std::uint64_t seed) {
    seeds_.seed(seed);
    Reseed();
  }
  void Reseed() override { inner_.Seed(seeds_()); }
  int Uniform(int bound) override { return inner_.Uniform(bound); }

 private:
  std::mt19937_64 seeds_;
  ClockRandom inner_;
};

// Plays `hands` deals with random clicks; `betting` adds calls, runs and hidden cards. The same
// seed plays the same hands. The computer is the classic one unless a test gives another.
template <class Judge>
struct RandomRunOf {
  ReplayableRandom chance;
  ClockRandom player;
  RandomScreen screen{player};
  Judge judgement;
  Game game{screen, chance, judgement};
  InvariantChecker checker;

  explicit RandomRunOf(std::uint64_t seed) {
    chance.Seed(seed);
    player.Seed(seed * 31 + 7);
    game.set_observer(&checker);
  }

  void Play(long hands, bool betting) {
    game.BInicioClick();
    while (checker.deals < hands) {
      Step(betting);
      const GameState& s = game.state();
      // After every event the due steps have run: no game is left at 12 or more.
      ASSERT_LT(s.player_points, 12);
      ASSERT_LT(s.computer_points, 12);
      ASSERT_TRUE(InvariantChecker::IsLadderValue(s.hand_stake));
      ASSERT_NE(s.turn, 'M') << "the computer's lead was left pending";
      if (::testing::Test::HasFailure()) return;
    }
  }

  void Step(bool betting) { RandomEvent(game, player, betting, /*restarts=*/true); }
};
using RandomRun = RandomRunOf<ComputerJudgement>;

}  // namespace truco::testing
