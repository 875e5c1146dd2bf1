// A computer may call before leading any trick, the first included, and the game goes on: the
// lead step runs again after the call, so the computer leads every trick it won after calling.

#include <gtest/gtest.h>

#include "opponent/computer.h"
#include "tools/arena/match.h"
#include "tools/arena/players.h"

namespace truco {
namespace {

// The classic computer's cards, with a call before every lead it may call at.
class CallsBeforeEveryLead final : public Judgement {
 public:
  AnswerChoice ChooseAnswer(const GameState& s, int p) const override {
    return classic_.ChooseAnswer(s, p);
  }
  LeadChoice ChooseLead(const GameState& s) const override {
    return {classic_.ChooseLead(s).slot, true};
  }
  bool WantsLeadCall(const GameState& s) const override {
    int trick = 1;
    while (trick < 3 && s.trick_played[static_cast<std::size_t>(trick)]) ++trick;
    ++calls_before_trick[static_cast<std::size_t>(trick)];
    return true;
  }
  bool WantsThirdTrickCall(const GameState&, int, int) const override { return false; }
  CallReply AnswerCall(const GameState& s, Rung rung) const override {
    return classic_.AnswerCall(s, rung);
  }
  bool PlaysHandOfEleven(const GameState& s) const override {
    return classic_.PlaysHandOfEleven(s);
  }
  mutable std::array<long, 4> calls_before_trick{};

 private:
  ComputerJudgement classic_;
};

TEST(LeadCalls, ACallBeforeLeadingTrickOneTwoOrThreeNeverSticksTheGame) {
  CallsBeforeEveryLead caller;
  // The player accepts, raises and runs by a coin, so every answer is met at every trick.
  auto player = arena::MakePlayer("random", 5);
  constexpr int kGames = 300;
  for (std::uint64_t game = 0; game < kGames; ++game) {
    const arena::GameRecord record = arena::PlayOneGame(*player, caller, game);
    ASSERT_FALSE(record.stuck) << "game " << game;
    EXPECT_EQ(record.player.games_won + record.computer.games_won, 1);
  }
  // The calls were asked for at every trick the computer led.
  EXPECT_GT(caller.calls_before_trick[1], kGames);
  EXPECT_GT(caller.calls_before_trick[2], kGames / 2);
  EXPECT_GT(caller.calls_before_trick[3], 10);
}

}  // namespace
}  // namespace truco
