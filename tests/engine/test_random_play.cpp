#include <gtest/gtest.h>

#include <map>

#include "tests/engine/random_play.h"
#include "tests/test_seed.h"

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

// The classic computer, except that at 11 it decides by a coin each time it is asked, as a
// computer that samples the unseen cards may; it counts how often each deal asked it.
class CoinAtElevenJudgement final : public Judgement {
 public:
  void Seed(std::uint64_t seed) { coin_.seed(seed); }
  AnswerChoice ChooseAnswer(const GameState& s, int player_strength) const override {
    return classic_.ChooseAnswer(s, player_strength);
  }
  LeadChoice ChooseLead(const GameState& s) const override { return classic_.ChooseLead(s); }
  bool WantsLeadCall(const GameState& s) const override { return classic_.WantsLeadCall(s); }
  bool WantsThirdTrickCall(const GameState& s, int player_strength, int own) const override {
    return classic_.WantsThirdTrickCall(s, player_strength, own);
  }
  CallReply AnswerCall(const GameState& s, Rung rung) const override {
    return classic_.AnswerCall(s, rung);
  }
  bool PlaysHandOfEleven(const GameState& s) const override {
    ++asked_in_deal[s.hand_counter];
    return std::bernoulli_distribution(0.5)(coin_);
  }

  mutable std::map<int, int> asked_in_deal;

 private:
  ComputerJudgement classic_;
  mutable std::mt19937_64 coin_;
};

// A computer at 11 that chose to play the hand plays it to its end: it is asked once per deal and
// never gives up a hand it started (which would pay the raised stake of 3, not 1).
TEST(RandomPlay, TheComputersHandOfElevenDecisionStandsForTheHand) {
  const std::uint64_t seed = TestSeed("hand of eleven decided once");
  RandomRunOf<CoinAtElevenJudgement> run(seed);
  run.judgement.Seed(seed);
  run.Play(20000, /*betting=*/true);
  EXPECT_GT(run.judgement.asked_in_deal.size(), 200u) << "too few hands of eleven to tell";
  for (const auto& [deal, asked] : run.judgement.asked_in_deal)
    EXPECT_EQ(asked, 1) << "deal " << deal << ", seed " << seed;
}

}  // namespace
}  // namespace truco::testing
