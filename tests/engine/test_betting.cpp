// Calls, raises and runs, and the hand of eleven. Vira the Dama of Spades (Valetes are
// manilhas; ordinary strengths 4:0 5:1 6:2 7:3 Q:4 K:6 A:7 2:8 3:9) unless said otherwise.
#include <gtest/gtest.h>

#include "tests/engine/scripted.h"

namespace truco::testing {
namespace {

const Card kVira = C(kDama, Suit::Spades);

// Records every change of points with the reason the game gives.
struct PointsLog : GameObserver {
  struct Change {
    Side side;
    int before, after;
    PointsReason reason;
  };
  std::vector<Change> changes;
  void OnPoints(const GameState& s, Side side, int before, PointsReason reason) override {
    changes.push_back(
        {side, before, side == Side::Player ? s.player_points : s.computer_points, reason});
  }
};

// The player wins trick 1 with a 3, loses trick 2 with a 5, so the computer leads trick 3 and,
// holding a 3 of its own, calls the next rung before it does.
struct ThirdTrickLead : Table {
  void Setup() {
    Deal(kVira, {C(4, Suit::Clubs), C(kRei, Suit::Clubs), C(3, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
    Play(C(3, Suit::Hearts));
  }
};

TEST(Correr, WithNothingCalledGivesTheComputerOnePoint) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  const auto deals = t.game.deals();
  t.game.BCorrerClick();
  EXPECT_EQ(t.LastMessage(), "Eu Ganhei 1 Tento(s)");
  EXPECT_EQ(t.game.state().computer_points, 1);
  EXPECT_EQ(t.game.deals(), deals + 1);
}

TEST(ComputerCalls, ThePlayerRunsFromTrucoAndGivesOnePoint) {
  ThirdTrickLead t;
  t.s().truco_phrases[kPhraseTruco] = "TRUCO MARRECO!!!";
  t.Setup();
  t.screen.truco.push_back(kAnswerRun);
  const auto deals = t.game.deals();
  t.Play(C(5, Suit::Hearts));
  ASSERT_EQ(t.screen.dialogs.size(), 1u);
  EXPECT_EQ(t.screen.dialogs[0].phrase, "TRUCO MARRECO!!!");
  EXPECT_EQ(t.screen.dialogs[0].raise_caption, "Pedir 6");
  EXPECT_TRUE(t.screen.dialogs[0].raise_offered);
  EXPECT_EQ(t.LastMessage(), "Eu Ganhei 1 Tento(s)");
  EXPECT_EQ(t.game.state().computer_points, 1);
  EXPECT_EQ(t.game.deals(), deals + 1);
  // The ended hand leads nothing: the new hand is untouched.
  EXPECT_FALSE(t.game.state().trick_played[1]);
}

TEST(ComputerCalls, ThePlayerRaisesAndTheComputerRunsGivingThree) {
  ThirdTrickLead t;
  t.Setup();
  t.screen.truco.push_back(kAnswerRaise);
  const auto deals = t.game.deals();
  t.Play(C(5, Suit::Hearts));
  EXPECT_EQ(t.LastMessage(), "Você está Blefando, mas eu vou Correr\rVoce Ganhou 3Tentos");
  EXPECT_EQ(t.game.state().player_points, 3);
  EXPECT_EQ(t.game.deals(), deals + 1);
}

TEST(ComputerCalls, AcceptingGivesThePlayerTheRaiseRight) {
  ThirdTrickLead t;
  t.Setup();
  t.screen.truco.push_back(kAnswerAccept);
  t.Play(C(5, Suit::Hearts));
  const GameState& s = t.game.state();
  EXPECT_EQ(s.hand_stake, 3);
  EXPECT_EQ(s.LabelVale, "3");
  EXPECT_EQ(s.BTrucar.caption, "Seis");
  EXPECT_TRUE(s.BTrucar.enabled);
  EXPECT_EQ(t.ComputerCardInTrick(3), C(3, Suit::Clubs));  // and it leads after the call
  t.Play(C(kAce, Suit::Hearts));
  EXPECT_EQ(t.LastMessage(), "Eu Ganhei 3 Tento(s)");
  EXPECT_EQ(t.game.state().computer_points, 3);
}

TEST(ComputerCalls, DozeOffersNoRaiseAndEndsTheLadder) {
  ThirdTrickLead t;
  t.Setup();
  t.s().BTrucar = {"Doze", false, true};  // the computer holds the right to call doze
  t.s().hand_stake = 9;
  t.screen.truco.push_back(kAnswerAccept);
  t.Play(C(5, Suit::Hearts));
  ASSERT_EQ(t.screen.dialogs.size(), 1u);
  EXPECT_FALSE(t.screen.dialogs[0].raise_offered);
  EXPECT_EQ(t.screen.dialogs[0].raise_caption, "");
  EXPECT_EQ(t.game.state().hand_stake, 12);
  EXPECT_EQ(t.game.state().BTrucar.caption, "Doze");
  EXPECT_FALSE(t.game.state().BTrucar.enabled);
  EXPECT_FALSE(t.game.ComputerMayCall());
  t.game.BTrucarClick();  // disabled: nothing happens
  EXPECT_EQ(t.screen.dialogs.size(), 1u);
}

TEST(PlayerCalls, TheComputerAcceptsAndTakesTheRaiseRightThenCallsSeis) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(kRei, Suit::Clubs), C(3, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  t.game.BTrucarClick();  // 0, 6, 9: two good cards, it accepts
  EXPECT_EQ(t.LastMessage(), "Pode jogar Marreco");
  EXPECT_EQ(t.game.state().hand_stake, 3);
  EXPECT_EQ(t.game.state().BTrucar.caption, "Seis");
  EXPECT_FALSE(t.game.state().BTrucar.enabled);
  t.game.BTrucarClick();  // the player may not call seis now
  EXPECT_EQ(t.game.state().hand_stake, 3);

  t.Play(C(3, Suit::Hearts));
  t.screen.truco.push_back(kAnswerRun);
  t.Play(C(5, Suit::Hearts));  // the computer wins, leads trick 3 and calls seis
  ASSERT_EQ(t.screen.dialogs.size(), 1u);
  EXPECT_EQ(t.screen.dialogs[0].raise_caption, "Pedir 9");
  EXPECT_EQ(t.LastMessage(), "Eu Ganhei 3 Tento(s)");
  EXPECT_EQ(t.game.state().computer_points, 3);
}

TEST(PlayerCalls, TheComputerRunsFromTrucoHoldingOnlyTheZape) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(6, Suit::Clubs), C(kValete, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  const auto deals = t.game.deals();
  t.game.BTrucarClick();
  EXPECT_EQ(t.LastMessage(), "Você está Furando, mas eu vou Correr\rVocê Ganhou 1 Tento(s)");
  EXPECT_EQ(t.game.state().player_points, 1);
  EXPECT_EQ(t.game.deals(), deals + 1);
}

TEST(PlayerCalls, TheComputerRaisesBackAndTheDialogOffersNine) {
  Table t;
  t.s().truco_phrases[kPhraseSeis] = "SEIS LADRÃO!!!!";
  // Strengths 3, 8, 12: a 7, a 2 and the Valete of Hearts.
  t.Deal(kVira, {C(7, Suit::Clubs), C(2, Suit::Clubs), C(kValete, Suit::Hearts)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  t.screen.truco.push_back(kAnswerAccept);
  t.game.BTrucarClick();
  ASSERT_EQ(t.screen.dialogs.size(), 1u);
  EXPECT_EQ(t.screen.dialogs[0].phrase, "SEIS LADRÃO!!!!");
  EXPECT_EQ(t.screen.dialogs[0].raise_caption, "Pedir 9");
  EXPECT_EQ(t.game.state().hand_stake, 6);
  EXPECT_EQ(t.game.state().BTrucar.caption, "Nove");
  EXPECT_TRUE(t.game.state().BTrucar.enabled);
}

TEST(PlayerCalls, AtNinePointsSeisIsAlwaysAccepted) {
  Table t;
  t.s().player_points = 9;
  t.Deal(kVira, {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  t.s().BTrucar = {"Seis", true, true};
  t.s().hand_stake = 3;
  t.game.BTrucarClick();
  EXPECT_EQ(t.LastMessage(), "Se eu correr você ganha, manda essa cartinha pato");
  EXPECT_EQ(t.game.state().hand_stake, 6);
}

TEST(Runs, AreNotCappedForTheComputerAndTheGameEndsAfterwards) {
  ThirdTrickLead t;
  PointsLog log;
  t.game.set_observer(&log);
  t.s().computer_points = 10;
  t.Setup();
  t.s().BTrucar = {"Nove", false, true};
  t.s().hand_stake = 6;
  t.screen.truco.push_back(kAnswerRun);
  t.Play(C(5, Suit::Hearts));  // the computer calls nove; the player runs: 6 to the computer
  ASSERT_GE(log.changes.size(), 1u);
  EXPECT_EQ(log.changes[0].after, 16);
  EXPECT_EQ(log.changes[0].reason, PointsReason::PlayerRan);
  EXPECT_EQ(t.LastMessage(), "Que M A R R E C O! Conseguiu Perder");
  EXPECT_EQ(t.game.state().games_computer, 1);
  EXPECT_EQ(t.game.state().computer_points, 0);
}

// The player wins trick 1, loses trick 2 (to the computer's 2 unless said), leads the third.
struct ThirdTrickAnswer : Table {
  void Setup(Card last_computer_card, Card player_third, Card second_winner = C(2, Suit::Clubs)) {
    Deal(kVira, {C(4, Suit::Clubs), second_winner, last_computer_card},
         {C(3, Suit::Hearts), C(6, Suit::Hearts), player_third});
    Play(C(3, Suit::Hearts));  // beats all: the computer gives up its 4
    s().turn = 'L';            // and the player keeps the lead for this scenario
    for (auto& slot : s().computer_hand) {
      if (s().cards[slot.card].card == second_winner) slot.played = true;
    }
    s().trick_played[2] = true;
    s().trick_result[2] = kMicro;
    s().player_tricks = 1;
    s().computer_tricks = 1;
    s().cards[kCartaJ2].top = kTrickTops[2];
  }
};

TEST(ThirdTrickCall, OnAWeakPlayerCardEvenWhenItsOwnCardLoses) {
  ThirdTrickAnswer t;
  t.Setup(C(kRei, Suit::Diamonds), C(kAce, Suit::Hearts));  // Ás (7) against its Rei (6)
  t.screen.truco.push_back(kAnswerAccept);
  t.Play(C(kAce, Suit::Hearts));
  ASSERT_EQ(t.screen.dialogs.size(), 1u);
  EXPECT_EQ(t.LastMessage(), "Você Ganhou 3 Tento(s)");
  EXPECT_EQ(t.game.state().player_points, 3);
}

TEST(ThirdTrickCall, NoneOnAStrongPlayerCard) {
  ThirdTrickAnswer t;
  t.Setup(C(2, Suit::Diamonds), C(3, Suit::Diamonds));  // a 3 against its 2
  t.Play(C(3, Suit::Diamonds));
  EXPECT_TRUE(t.screen.dialogs.empty());
  EXPECT_EQ(t.LastMessage(), "Você Ganhou 1 Tento(s)");
}

TEST(ThirdTrickCall, RunningFromItGivesTheStakeWithALeadingBlankAndDealsOnce) {
  ThirdTrickAnswer t;
  t.Setup(C(kRei, Suit::Diamonds), C(kAce, Suit::Hearts));
  t.screen.truco.push_back(kAnswerRun);
  const auto deals = t.game.deals();
  t.Play(C(kAce, Suit::Hearts));
  EXPECT_EQ(t.LastMessage(), " Eu Ganhei 1 Tento(s)");
  EXPECT_EQ(t.game.state().computer_points, 1);
  EXPECT_EQ(t.game.deals(), deals + 1);
}

TEST(ThirdTrickCall, TheComputerRunningFromARaiseInsideItsAnswerDealsOnce) {
  ThirdTrickAnswer t;
  t.Setup(C(kRei, Suit::Diamonds), C(kAce, Suit::Hearts));  // 0, 8, 6: runs from seis
  t.screen.truco.push_back(kAnswerRaise);
  const auto deals = t.game.deals();
  t.Play(C(kAce, Suit::Hearts));
  EXPECT_EQ(t.game.state().player_points, 3);
  EXPECT_EQ(t.game.deals(), deals + 1);
  EXPECT_EQ(t.game.state().hand_stake, 1);  // the new hand
}

TEST(ThirdTrickCall, ThePlayerRunningFromACounterRaiseInsideItsAnswerDealsOnce) {
  ThirdTrickAnswer t;
  // Strengths 0, 6, 13 with the zape left and trick 2 won: it raises seis to nove.
  t.Setup(C(kValete, Suit::Clubs), C(kAce, Suit::Hearts), C(kRei, Suit::Clubs));
  t.screen.truco.push_back(kAnswerRaise);  // the player asks seis
  t.screen.truco.push_back(kAnswerRun);    // and runs from nove
  const auto deals = t.game.deals();
  t.Play(C(kAce, Suit::Hearts));
  ASSERT_EQ(t.screen.dialogs.size(), 2u);
  EXPECT_EQ(t.screen.dialogs[1].raise_caption, "Pedir 12");
  EXPECT_EQ(t.LastMessage(), "Eu Ganhei 6 Tento(s)");
  EXPECT_EQ(t.game.state().computer_points, 6);
  EXPECT_EQ(t.game.deals(), deals + 1);
}

TEST(HandOfEleven, BothAtElevenNormalIsPlayedFaceUpForOneWithoutBets) {
  Table t;
  t.s().player_points = t.s().computer_points = 11;
  t.Deal(kVira, {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  const GameState& s = t.game.state();
  EXPECT_FALSE(s.cards[kCartaJ1].face_down);
  EXPECT_FALSE(s.BTrucar.visible);
  EXPECT_FALSE(s.BCorrer.enabled);
  EXPECT_EQ(s.hand_stake, 1);
  t.game.BTrucarClick();
  t.game.BCorrerClick();
  EXPECT_TRUE(t.screen.messages.empty());
}

TEST(HandOfEleven, BothAtElevenInTheDarkDealsFaceDownAndTurnsCardsAsPlayed) {
  Table t;
  t.s().settings.eleven_mode = 1;
  t.s().player_points = t.s().computer_points = 11;
  t.Deal(kVira, {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  const GameState& s = t.game.state();
  for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3}) EXPECT_TRUE(s.cards[id].face_down);
  t.Play(C(3, Suit::Hearts));
  EXPECT_FALSE(s.cards[kCartaJ1].face_down);
  EXPECT_EQ(s.trick_result[1], kJogador);
}

// Only a face-up card can be hidden, and a hand of eleven in the dark has none: the hide button
// stays off through the whole hand, so no click is left doing nothing; the normal eleven keeps it.
TEST(HandOfEleven, InTheDarkNoCardCanBeHiddenSoTheHideButtonStaysOff) {
  for (const int mode : {1, 0}) {
    Table t;
    t.s().settings.eleven_mode = mode;
    t.s().player_points = t.s().computer_points = 11;
    t.Deal(kVira, {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)},
           {C(3, Suit::Hearts), C(2, Suit::Hearts), C(kAce, Suit::Hearts)});
    t.Play(C(3, Suit::Hearts));  // the player takes the first trick and leads the second
    const GameState& s = t.game.state();
    ASSERT_TRUE(s.trick_played[1]);
    EXPECT_EQ(s.BEsconder.enabled, mode == 0) << "mode " << mode;
    t.game.BEsconderClick();
    EXPECT_EQ(s.hide_armed, mode == 0);
    EXPECT_EQ(s.BEsconder.caption, mode == 0 ? kNaoEsconderCaption : kEsconderCaption);
    // The next click plays the card: hidden in the normal eleven (and lost), face up from the
    // dark (the 2 takes the hand).
    t.Play(C(2, Suit::Hearts));
    if (mode == 0) {
      EXPECT_TRUE(s.cards[kCartaJ2].face_down);
      EXPECT_EQ(s.trick_result[2], kMicro);
    } else {
      EXPECT_GT(t.game.deals(), 1u);
    }
  }
}

TEST(HandOfEleven, ThePlayerAtElevenPlaysForThreeOrGivesOnePoint) {
  Table t;
  t.s().player_points = 11;
  t.screen.yes_no.push_back(true);
  t.Deal(kVira, {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)},
         {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)},
         /*player_leads=*/false);
  EXPECT_EQ(t.screen.messages.front(), "Você tem 11 pontos. Deseja Jogar com estas Cartas?");
  EXPECT_EQ(t.game.state().hand_stake, 3);
  EXPECT_FALSE(t.game.state().BTrucar.visible);
  EXPECT_TRUE(t.game.state().BCorrer.enabled);
  EXPECT_TRUE(t.ComputerCardInTrick(1).has_value());  // the computer leads once decided

  Table no;
  no.s().player_points = 11;
  no.screen.yes_no.push_back(false);
  no.screen.yes_no.push_back(true);  // the next hand asks again
  no.Deal(kVira, {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)},
          {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  EXPECT_EQ(no.screen.messages[1], "Eu Ganhei 1 Tento(s)");
  EXPECT_EQ(no.game.state().computer_points, 1);
  EXPECT_EQ(no.game.deals(), 2u);
}

TEST(HandOfEleven, TheComputerAtElevenGivesUpWeakCardsAndPlaysGoodOnes) {
  const Card vira = C(7, Suit::Spades);  // Damas are manilhas; J:5 K:6 A:7 2:8
  Table weak;
  weak.s().computer_points = 11;
  weak.Deal(vira, {C(5, Suit::Clubs), C(kValete, Suit::Clubs), C(kDama, Suit::Hearts)},
            {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  EXPECT_EQ(weak.screen.messages.front(),
            "Estou com 11 Tentos. Mas leva 1 tento que minhas cartas estão fracas");
  EXPECT_EQ(weak.game.state().player_points, 1);
  EXPECT_EQ(weak.game.deals(), 2u);

  Table good;
  good.s().computer_points = 11;
  good.Deal(vira, {C(6, Suit::Clubs), C(kAce, Suit::Clubs), C(2, Suit::Clubs)},
            {C(3, Suit::Hearts), C(5, Suit::Hearts), C(kAce, Suit::Hearts)});
  EXPECT_TRUE(good.screen.messages.empty());
  EXPECT_EQ(good.game.state().hand_stake, 3);
  EXPECT_FALSE(good.game.state().BTrucar.visible);
  EXPECT_FALSE(good.game.state().BCorrer.enabled);
}

}  // namespace
}  // namespace truco::testing
