// The computer's judgement on constructed positions: strengths s0 <= s1 <= s2 in slots 0..2.
#include <gtest/gtest.h>

#include "engine/state.h"
#include "opponent/computer.h"

namespace truco {
namespace {

GameState Holding(int s0, int s1, int s2) {
  GameState s;
  s.computer_hand = {HandSlot{s0, kCartaM1, false}, HandSlot{s1, kCartaM2, false},
                     HandSlot{s2, kCartaM3, false}};
  return s;
}

// Second trick: the first trick is behind, with `first` as its result and `played` slot gone.
GameState SecondTrick(GameState s, const char* first, int played) {
  s.trick_played[1] = true;
  s.trick_result[1] = first;
  s.computer_hand[static_cast<std::size_t>(played)].played = true;
  return s;
}

const ComputerJudgement kComputer;

TEST(ComputerAnswer, BeatsWithTheWeakestCardThatWinsOrGivesUpItsWeakest) {
  const GameState s = Holding(2, 5, 9);
  auto a = kComputer.ChooseAnswer(s, 2);  // a 6 against 2, 5, 9
  EXPECT_EQ(a.slot, 1);
  EXPECT_EQ(a.result, kMicro);
  a = kComputer.ChooseAnswer(s, 9);  // nothing beats a 3
  EXPECT_EQ(a.slot, 0);
  EXPECT_EQ(a.result, kJogador);
  a = kComputer.ChooseAnswer(s, 5);  // equal to the middle card: the first trick never ties
  EXPECT_EQ(a.slot, 2);
  EXPECT_EQ(a.result, kMicro);
  a = kComputer.ChooseAnswer(s, 1);
  EXPECT_EQ(a.slot, 0);
  EXPECT_EQ(a.result, kMicro);
  a = kComputer.ChooseAnswer(s, 13);
  EXPECT_EQ(a.slot, 0);
  EXPECT_EQ(a.result, kJogador);
}

TEST(ComputerAnswer, FirstTrickGivesUpAnEqualWeakestCardAsTheTricksLoss) {
  const GameState s = Holding(4, 4, 4);
  const auto a = kComputer.ChooseAnswer(s, 4);
  EXPECT_EQ(a.slot, 0);
  EXPECT_EQ(a.result, kJogador);
}

TEST(ComputerAnswer, SecondTrickSeeksEqualCardsAndTakesTheFirstTricksResult) {
  // Slot 0 still in hand (the computer led trick 1 with slot 2 after... any history).
  GameState s = SecondTrick(Holding(2, 5, 9), kMicro, 2);
  auto a = kComputer.ChooseAnswer(s, 2);
  EXPECT_EQ(a.slot, 0);
  EXPECT_EQ(a.result, kMicro);

  s = SecondTrick(Holding(2, 5, 9), kJogador, 0);
  a = kComputer.ChooseAnswer(s, 5);  // step 4: the middle card ties, the trick is the player's
  EXPECT_EQ(a.slot, 1);
  EXPECT_EQ(a.result, kJogador);

  s = SecondTrick(Holding(2, 5, 9), kEmpate, 0);
  a = kComputer.ChooseAnswer(s, 9);  // step 6: the strongest card ties; a tie stays a tie
  EXPECT_EQ(a.slot, 2);
  EXPECT_EQ(a.result, kEmpate);
}

TEST(ComputerAnswer, SecondTrickAfterTheStrongestCardWentTheMiddleCardTakesTheLoss) {
  const GameState s = SecondTrick(Holding(2, 5, 9), kMicro, 2);
  const auto a = kComputer.ChooseAnswer(s, 7);  // above the middle card, below the gone 3
  EXPECT_EQ(a.slot, 1);
  EXPECT_EQ(a.result, kJogador);
}

TEST(ComputerAnswer, SecondTrickWithSlotTwoGoneAnswersBelowTheMiddleWithTheMiddle) {
  const GameState s = SecondTrick(Holding(2, 5, 9), kMicro, 0);
  // P below s0 with slot 0 gone: the first card in hand, slot 1, still wins.
  const auto a = kComputer.ChooseAnswer(s, 1);
  EXPECT_EQ(a.slot, 1);
  EXPECT_EQ(a.result, kMicro);
}

TEST(ComputerAnswer, AHiddenCardIsAnsweredWithTheWeakestCardInHand) {
  const GameState s = SecondTrick(Holding(0, 5, 9), kJogador, 0);
  const auto a = kComputer.ChooseAnswer(s, kHiddenStrength);
  EXPECT_EQ(a.slot, 1);
  EXPECT_EQ(a.result, kMicro);
}

TEST(ComputerLead, WeakestFirstStrongestAfterATieMiddleAfterTwoTies) {
  GameState s = Holding(1, 4, 8);
  EXPECT_EQ(kComputer.ChooseLead(s).slot, 0);
  s.trick_result[1] = kEmpate;
  s.computer_hand[0].played = true;
  EXPECT_EQ(kComputer.ChooseLead(s).slot, 2);
  EXPECT_TRUE(kComputer.ChooseLead(s).consider_call);
  s.trick_result[2] = kEmpate;
  s.computer_hand[2].played = true;
  EXPECT_EQ(kComputer.ChooseLead(s).slot, 1);
  EXPECT_FALSE(kComputer.ChooseLead(s).consider_call);
}

TEST(ComputerLeadCall, NeedsATrickWonAndAThreeOrBetterStillInHand) {
  GameState s = Holding(1, 4, 9);
  EXPECT_FALSE(kComputer.WantsLeadCall(s));  // first trick: nothing won yet
  s.trick_result[1] = kMicro;
  s.computer_hand[0].played = true;
  EXPECT_TRUE(kComputer.WantsLeadCall(s));
  s.computer_hand[2].played = true;
  EXPECT_FALSE(kComputer.WantsLeadCall(s));  // the strong card is gone

  GameState tie = Holding(1, 4, 8);  // after a tied first trick a 2 is enough
  tie.trick_result[1] = kEmpate;
  EXPECT_TRUE(kComputer.WantsLeadCall(tie));
  tie = Holding(1, 4, 7);
  tie.trick_result[1] = kEmpate;
  EXPECT_FALSE(kComputer.WantsLeadCall(tie));
  tie.trick_result[2] = kEmpate;
  EXPECT_FALSE(kComputer.WantsLeadCall(Holding(13, 13, 13)));
}

TEST(ComputerThirdTrickCall, CallsOnAWeakCardOrAWinningOneNeverAtEleven) {
  GameState s = Holding(1, 4, 6);
  EXPECT_TRUE(kComputer.WantsThirdTrickCall(s, 7, 6));   // an Ás or weaker: always
  EXPECT_TRUE(kComputer.WantsThirdTrickCall(s, kHiddenStrength, 0));
  EXPECT_FALSE(kComputer.WantsThirdTrickCall(s, 9, 8));  // a 3 against its 2
  EXPECT_TRUE(kComputer.WantsThirdTrickCall(s, 9, 10));  // its card wins
  EXPECT_FALSE(kComputer.WantsThirdTrickCall(s, 9, 9));  // a tie without the first trick
  s.trick_result[1] = kMicro;
  EXPECT_TRUE(kComputer.WantsThirdTrickCall(s, 9, 9));
  s.player_points = 11;
  EXPECT_FALSE(kComputer.WantsThirdTrickCall(s, 2, 13));
  s.player_points = 0;
  s.computer_points = 11;
  EXPECT_FALSE(kComputer.WantsThirdTrickCall(s, 2, 13));
}

struct CallCase {
  int s0, s1, s2;
  Rung rung;
  int player_points;
  const char* first_trick;
  CallAnswer answer;
  const char* message;
};

class ComputerAnswersACall : public ::testing::TestWithParam<CallCase> {};

TEST_P(ComputerAnswersACall, ByItsThresholds) {
  const CallCase& c = GetParam();
  GameState s = Holding(c.s0, c.s1, c.s2);
  s.player_points = c.player_points;
  s.trick_result[1] = c.first_trick;
  const CallReply reply = kComputer.AnswerCall(s, c.rung);
  EXPECT_EQ(reply.answer, c.answer);
  EXPECT_EQ(reply.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Ladder, ComputerAnswersACall,
    ::testing::Values(
        CallCase{3, 6, 9, Rung::Trucar, 0, "", CallAnswer::Accept, "Pode jogar Marreco"},
        CallCase{0, 2, 13, Rung::Trucar, 0, "", CallAnswer::Run,
                 "Você está Furando, mas eu vou Correr\rVocê Ganhou 1 Tento(s)"},
        CallCase{3, 8, 12, Rung::Trucar, 0, "", CallAnswer::Raise, ""},
        CallCase{0, 0, 0, Rung::Seis, 9, "", CallAnswer::Accept,
                 "Se eu correr você ganha, manda essa cartinha pato"},
        CallCase{7, 7, 9, Rung::Seis, 0, "", CallAnswer::Accept, "Pode jogar Marreco"},
        CallCase{0, 1, 9, Rung::Seis, 0, "Empate", CallAnswer::Accept, "Pode jogar Marreco"},
        CallCase{0, 1, 10, Rung::Seis, 0, "Micro", CallAnswer::Accept, "Pode jogar Marreco"},
        CallCase{0, 1, 9, Rung::Seis, 0, "Jogador", CallAnswer::Run,
                 "Você está Blefando, mas eu vou Correr\rVoce Ganhou 3Tentos"},
        CallCase{0, 0, 0, Rung::Nove, 6, "", CallAnswer::Accept,
                 "Agora tenho que jogar ladrão, pode vir"},
        CallCase{0, 8, 10, Rung::Nove, 0, "", CallAnswer::Accept, "Pode jogar Marreco"},
        CallCase{0, 1, 5, Rung::Nove, 0, "Micro", CallAnswer::Run,
                 "Você não tem nada, mas eu tenho menos, leva só 6\rVocê Ganhou 6 Tento(s)"},
        CallCase{0, 0, 0, Rung::Doze, 3, "", CallAnswer::Accept,
                 "Ou vai ou racha, quem ganhar leva o jogo"},
        CallCase{0, 8, 11, Rung::Doze, 0, "", CallAnswer::Accept, "Pode Jogar Marreco"},
        CallCase{0, 1, 13, Rung::Doze, 0, "Jogador", CallAnswer::Run,
                 "Você não tem nada, mas eu tenho menos, leva só 9\r Você Ganhou 9 Tento(s)"},
        // No rule holds (two good cards, nothing in its favour): the computer accepts.
        CallCase{2, 8, 9, Rung::Doze, 2, "Jogador", CallAnswer::Accept, "Pode Jogar Marreco"}));

TEST(ComputerAnswersACall, RaisesOnlyWithAManilhaAndATrickInItsFavour) {
  GameState s = Holding(0, 1, 10);
  s.trick_result[1] = kMicro;
  s.computer_hand[2].played = true;  // the manilha was played: the in-hand rule cannot accept
  EXPECT_EQ(kComputer.AnswerCall(s, Rung::Seis).answer, CallAnswer::Raise);
  s.computer_hand[2].played = false;
  s.trick_result[1] = kJogador;
  s.trick_result[2] = kMicro;
  s.computer_hand = {HandSlot{0, kCartaM1, false}, HandSlot{1, kCartaM2, false},
                     HandSlot{11, kCartaM3, true}};
  EXPECT_EQ(kComputer.AnswerCall(s, Rung::Nove).answer, CallAnswer::Raise);
}

TEST(ComputerHandOfEleven, PlaysWithAnAceOrBetterInTheMiddle) {
  EXPECT_FALSE(kComputer.PlaysHandOfEleven(Holding(1, 5, 12)));
  EXPECT_TRUE(kComputer.PlaysHandOfEleven(Holding(2, 7, 8)));
  EXPECT_TRUE(kComputer.PlaysHandOfEleven(Holding(7, 7, 7)));
}

}  // namespace
}  // namespace truco
