// Whole hands against the computer, with the cards written out. Unless said otherwise the vira is
// the Dama of Spades, so the Valetes are the manilhas and the ordinary strengths are
// 4:0 5:1 6:2 7:3 Q:4 K:6 A:7 2:8 3:9.
#include <gtest/gtest.h>

#include "tests/engine/scripted.h"

namespace truco::testing {
namespace {

const Card kVira = C(kDama, Suit::Spades);

TEST(Deal, FillsTheTableAndSortsTheComputersHand) {
  Table t;
  t.Deal(kVira, {C(3, Suit::Clubs), C(4, Suit::Clubs), C(kValete, Suit::Hearts)},
         {C(5, Suit::Hearts), C(6, Suit::Hearts), C(7, Suit::Hearts)});
  const GameState& s = t.game.state();
  EXPECT_EQ(s.manilha_value[static_cast<int>(Suit::Diamonds)], kValete);
  EXPECT_EQ(s.computer_hand[0].strength, 0);   // the 4
  EXPECT_EQ(s.computer_hand[1].strength, 9);   // the 3
  EXPECT_EQ(s.computer_hand[2].strength, 12);  // the Valete of Hearts
  EXPECT_EQ(s.cards[s.computer_hand[0].card].card, C(4, Suit::Clubs));
  EXPECT_EQ(s.hand_counter, 2);
  EXPECT_EQ(s.turn, 'L');  // the first hand of a run is the player's
  EXPECT_TRUE(s.may_play);
  EXPECT_EQ(s.BTrucar.caption, "Trucar");
  EXPECT_TRUE(s.BTrucar.enabled);
  EXPECT_FALSE(s.BEsconder.enabled);
  EXPECT_EQ(s.LabelVale, "1");
  for (CardId id : {kCartaM1, kCartaM2, kCartaM3}) EXPECT_TRUE(s.cards[id].face_down);
  for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3}) {
    EXPECT_FALSE(s.cards[id].face_down);
    EXPECT_EQ(s.cards[id].top, kPlayerHandTop);
  }
  EXPECT_FALSE(s.cards[kCVira].face_down);
  EXPECT_TRUE(s.vira_hand_pointer);
}

TEST(Deal, ManilhaVelhaTurnsNoViraAndFixesTheManilhas) {
  Table t;
  t.s().settings.manilha_mode = ManilhaMode::Velha;
  t.Deal({}, {C(4, Suit::Clubs), C(7, Suit::Spades), C(kAce, Suit::Clubs)},
         {C(7, Suit::Hearts), C(7, Suit::Diamonds), C(kAce, Suit::Spades)});
  const GameState& s = t.game.state();
  EXPECT_TRUE(s.cards[kCVira].face_down);
  EXPECT_EQ(s.computer_hand[0].strength, 3);  // 7 of Spades: ordinary
  EXPECT_EQ(s.computer_hand[1].strength, 7);  // Ace of Clubs: ordinary
  EXPECT_EQ(s.computer_hand[2].strength, 13);
}

TEST(Deal, BeforeTheFirstDealACardClickDoesNothing) {
  Table t;
  t.game.CartaJ1Click();
  EXPECT_EQ(t.game.state().cards[kCartaJ1].top, kPlayerHandTop);
  EXPECT_EQ(t.game.deals(), 0u);
}

TEST(Hand, ComputerAnswersWithTheWeakestWinningCardAndLeadsTheNextTrick) {
  Table t;
  // The computer holds 6, Rei, 2 (strengths 2, 6, 8).
  t.Deal(kVira, {C(6, Suit::Clubs), C(kRei, Suit::Clubs), C(2, Suit::Clubs)},
         {C(6, Suit::Hearts), C(4, Suit::Hearts), C(5, Suit::Hearts)});
  t.Play(C(6, Suit::Hearts));  // strength 2 against 2, 6, 8: the Rei wins
  const GameState& s = t.game.state();
  EXPECT_EQ(s.trick_result[1], kMicro);
  EXPECT_EQ(t.ComputerCardInTrick(1), C(kRei, Suit::Clubs));
  // The computer won and leads at once: its weakest card in hand, the 6, into trick 2. It won
  // the first trick but its 2 is below the strength for a call.
  EXPECT_EQ(s.turn, 'J');
  EXPECT_EQ(t.ComputerCardInTrick(2), C(6, Suit::Clubs));
  EXPECT_TRUE(s.BEsconder.enabled);
  EXPECT_TRUE(t.screen.dialogs.empty());
}

TEST(Hand, FirstTiedSecondWonByThePlayerWinsTheHand) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(6, Suit::Clubs), C(kRei, Suit::Clubs)},
         {C(4, Suit::Hearts), C(kAce, Suit::Hearts), C(7, Suit::Hearts)},
         /*player_leads=*/false);
  // The computer led its 4; the player ties it.
  EXPECT_EQ(t.ComputerCardInTrick(1), C(4, Suit::Clubs));
  t.Play(C(4, Suit::Hearts));
  EXPECT_EQ(t.game.state().trick_result[1], kEmpate);
  // The side that led the hand leads again: the computer, with its strongest card.
  EXPECT_EQ(t.ComputerCardInTrick(2), C(kRei, Suit::Clubs));
  const auto deals = t.game.deals();
  t.Play(C(kAce, Suit::Hearts));
  EXPECT_EQ(t.LastMessage(), "Você Ganhou 1 Tento(s)");
  EXPECT_EQ(t.game.state().player_points, 1);
  EXPECT_EQ(t.game.deals(), deals + 1);
}

TEST(Hand, FirstWonByTheComputerSecondTiedGivesTheComputerTheHand) {
  Table t;
  t.Deal(kVira, {C(6, Suit::Clubs), C(kRei, Suit::Clubs), C(kAce, Suit::Clubs)},
         {C(4, Suit::Hearts), C(kRei, Suit::Hearts), C(2, Suit::Hearts)});
  t.Play(C(4, Suit::Hearts));
  EXPECT_EQ(t.ComputerCardInTrick(2), C(kRei, Suit::Clubs));
  t.Play(C(kRei, Suit::Hearts));
  EXPECT_EQ(t.LastMessage(), "Eu Ganhei 1 Tento(s)");
  EXPECT_EQ(t.game.state().computer_points, 1);
}

TEST(Hand, ThreeTiesWithTheComputerLeadingTheLastAreDealtAgainWithAMessage) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(6, Suit::Clubs), C(7, Suit::Clubs)},
         {C(4, Suit::Hearts), C(6, Suit::Hearts), C(7, Suit::Hearts)},
         /*player_leads=*/false);
  t.Play(C(4, Suit::Hearts));
  EXPECT_EQ(t.ComputerCardInTrick(2), C(7, Suit::Clubs));  // strongest after a tie
  t.Play(C(7, Suit::Hearts));
  EXPECT_EQ(t.ComputerCardInTrick(3), C(6, Suit::Clubs));  // the middle card after two ties
  const auto deals = t.game.deals();
  t.Play(C(6, Suit::Hearts));
  EXPECT_EQ(t.LastMessage(), "Como as 3 cartas empataram, essa mão será jogada novamente");
  EXPECT_EQ(t.game.deals(), deals + 1);
  EXPECT_EQ(t.game.state().player_points, 0);
  EXPECT_EQ(t.game.state().computer_points, 0);
}

TEST(Hand, ThreeTiesWithThePlayerLeadingTheLastAreDealtAgainSilently) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(6, Suit::Clubs), C(7, Suit::Clubs)},
         {C(4, Suit::Hearts), C(6, Suit::Hearts), C(7, Suit::Hearts)});
  // Two tied tricks behind, the player to lead the third (only reachable by position set-up).
  GameState& s = t.s();
  s.trick_played[1] = s.trick_played[2] = true;
  s.trick_result[1] = s.trick_result[2] = kEmpate;
  s.player_tricks = s.computer_tricks = 1;
  s.computer_hand[0].played = s.computer_hand[2].played = true;
  s.cards[kCartaJ1].top = s.cards[kCartaJ3].top = kTrickTops[1];
  const auto messages = t.screen.messages.size();
  const auto deals = t.game.deals();
  t.screen.truco.push_back(kAnswerAccept);  // a weak card led into the third trick: it calls
  t.Play(C(6, Suit::Hearts));
  EXPECT_EQ(t.game.state().hand_stake, 1);  // the new deal
  EXPECT_EQ(t.game.deals(), deals + 1);
  EXPECT_EQ(t.screen.messages.size(), messages);
}

TEST(Hand, PlayerFirstComputerSecondTiedThirdGoesToTheWinnerOfTheFirst) {
  Table t;
  t.Deal(kVira, {C(5, Suit::Clubs), C(6, Suit::Clubs), C(kRei, Suit::Clubs)},
         {C(3, Suit::Hearts), C(4, Suit::Hearts), C(kRei, Suit::Hearts)});
  t.Play(C(3, Suit::Hearts));  // nothing beats it: the computer gives up its 5
  EXPECT_EQ(t.game.state().trick_result[1], kJogador);
  t.Play(C(4, Suit::Hearts));  // the 6 beats it
  EXPECT_EQ(t.game.state().trick_result[2], kMicro);
  EXPECT_EQ(t.ComputerCardInTrick(3), C(kRei, Suit::Clubs));
  t.Play(C(kRei, Suit::Hearts));
  EXPECT_EQ(t.LastMessage(), "Você Ganhou 1 Tento(s)");
  EXPECT_EQ(t.game.state().player_points, 1);
}

TEST(Hand, ATieInATrickThePlayerLedKeepsTheLeadWithThePlayer) {
  Table t;
  // Computer holds 6, 6, Ás; the player wins trick 1 and ties trick 2 with a 6.
  t.Deal(kVira, {C(6, Suit::Clubs), C(6, Suit::Diamonds), C(kAce, Suit::Clubs)},
         {C(3, Suit::Hearts), C(6, Suit::Hearts), C(4, Suit::Hearts)});
  t.Play(C(3, Suit::Hearts));
  t.Play(C(6, Suit::Hearts));  // the computer's second 6 ties; the trick takes the first's result
  // First trick the player's, second "Jogador" by the tie: the player wins the hand.
  EXPECT_EQ(t.LastMessage(), "Você Ganhou 1 Tento(s)");
}

TEST(Hand, AHiddenCardGoesFaceDownAndLosesItsTrick) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(6, Suit::Clubs), C(kAce, Suit::Clubs)},
         {C(3, Suit::Hearts), C(2, Suit::Hearts), C(kRei, Suit::Hearts)});
  t.game.BEsconderClick();  // disabled in the first trick
  EXPECT_FALSE(t.game.state().hide_armed);
  t.Play(C(3, Suit::Hearts));  // the player wins trick 1 and leads trick 2
  ASSERT_TRUE(t.game.state().BEsconder.enabled);
  t.game.BEsconderClick();
  EXPECT_EQ(t.game.state().BEsconder.caption, kNaoEsconderCaption);
  t.game.BEsconderClick();
  EXPECT_EQ(t.game.state().BEsconder.caption, kEsconderCaption);
  t.game.BEsconderClick();
  t.Play(C(2, Suit::Hearts));
  const GameState& s = t.game.state();
  EXPECT_EQ(s.trick_result[2], kMicro);
  EXPECT_TRUE(s.cards[kCartaJ2].face_down);
  EXPECT_EQ(s.cards[kCartaJ2].top, kTrickTops[2]);
  EXPECT_FALSE(s.hide_armed);
  EXPECT_EQ(s.BEsconder.caption, kEsconderCaption);
  EXPECT_EQ(t.ComputerCardInTrick(2), C(6, Suit::Clubs));  // its weakest card in hand wins
}

TEST(Hand, ClicksThatDoNotFitTheMomentAreIgnored) {
  Table t;
  t.Deal(kVira, {C(4, Suit::Clubs), C(6, Suit::Clubs), C(kAce, Suit::Clubs)},
         {C(3, Suit::Hearts), C(2, Suit::Hearts), C(kRei, Suit::Hearts)});
  t.Play(C(3, Suit::Hearts));
  const GameState before = t.game.state();
  t.Play(C(3, Suit::Hearts));  // already played
  EXPECT_EQ(t.game.state().trick_played, before.trick_played);
  for (int i = 0; i < 3; ++i) {
    const auto id = static_cast<CardId>(kCartaM1 + i);
    const auto before_count = t.screen.messages.size();
    t.game.CartaMClick(i);
    if (t.game.state().cards[id].face_down) {
      EXPECT_EQ(t.LastMessage(), "Tire a mão da minha carta Ladrão");
    } else {
      EXPECT_EQ(t.screen.messages.size(), before_count);  // a face-up card says nothing
    }
  }
}

TEST(TrickLabels, ShowTheResultOrNothing) {
  Table t;
  t.Deal(kVira, {C(6, Suit::Clubs), C(kRei, Suit::Clubs), C(2, Suit::Clubs)},
         {C(6, Suit::Hearts), C(4, Suit::Hearts), C(5, Suit::Hearts)});
  t.game.TrickLabelClick(1);
  EXPECT_TRUE(t.screen.messages.empty());
  t.Play(C(6, Suit::Hearts));
  t.game.TrickLabelClick(1);
  EXPECT_EQ(t.LastMessage(), "      A Primeira é Minha");
  t.s().trick_result[2] = kJogador;
  t.game.TrickLabelClick(2);
  EXPECT_EQ(t.LastMessage(), "      A Segunda é Sua");
  EXPECT_EQ(t.game.TrickLabelText(1), "      A Primeira é Minha");
  t.s().trick_result[1] = kJogador;
  EXPECT_EQ(t.game.TrickLabelText(1), "       A Primeira é Sua");
  t.s().trick_result[3] = kEmpate;
  EXPECT_EQ(t.game.TrickLabelText(3), "      A Terceira Empatou");
}

TEST(Scoring, AWonHandIsCappedAtTwelveAndTheGameEndsAtOnce) {
  Table t;
  t.s().player_points = 10;
  t.Deal(kVira, {C(4, Suit::Clubs), C(6, Suit::Clubs), C(7, Suit::Clubs)},
         {C(3, Suit::Hearts), C(2, Suit::Hearts), C(kAce, Suit::Hearts)});
  t.s().hand_stake = 3;  // as if a truco had been accepted
  const int counter = t.game.state().hand_counter;
  t.Play(C(3, Suit::Hearts));
  t.Play(C(2, Suit::Hearts));
  // "Você Ganhou 3" then the game-end watch: the deal in between is discarded.
  ASSERT_GE(t.screen.messages.size(), 2u);
  EXPECT_EQ(t.screen.messages[t.screen.messages.size() - 2], "Você Ganhou 3 Tento(s)");
  EXPECT_EQ(t.LastMessage(), "Parabéns  L A D R Ã O!  Você Ganhou");
  const GameState& s = t.game.state();
  EXPECT_EQ(s.games_player, 1);
  EXPECT_EQ(s.player_points, 0);
  EXPECT_EQ(s.computer_points, 0);
  EXPECT_EQ(s.hand_counter, counter + 2);
}

TEST(Scoring, TheComputerWinningAGameIsCountedForIt) {
  Table t;
  t.s().computer_points = 11;
  t.s().player_points = 11;  // both at 11: played for 1, no bets
  t.Deal(kVira, {C(3, Suit::Clubs), C(2, Suit::Clubs), C(kAce, Suit::Clubs)},
         {C(4, Suit::Hearts), C(5, Suit::Hearts), C(6, Suit::Hearts)});
  t.Play(C(4, Suit::Hearts));
  // The computer leads its next card and the player answers twice more if needed.
  while (t.game.state().games_computer == 0 && t.game.state().turn == 'J') {
    for (int i = 0; i < 3; ++i) {
      if (t.game.state().InHand(static_cast<CardId>(i))) {
        t.game.CartaJClick(i);
        break;
      }
    }
  }
  EXPECT_EQ(t.game.state().games_computer, 1);
  EXPECT_EQ(t.LastMessage(), "Que M A R R E C O! Conseguiu Perder");
}

TEST(Restart, FirstIniciarAsksNothingLaterOnesHandTheTallyToTheRecords) {
  Table t;
  t.game.BInicioClick();
  EXPECT_EQ(t.game.deals(), 1u);
  EXPECT_TRUE(t.screen.records.empty());
  EXPECT_EQ(t.game.state().LabelCartasNome, "FULANO");

  t.s().games_player = 1;
  t.s().player_points = 5;
  t.s().computer_points = 7;
  t.screen.confirm.push_back(false);  // No: nothing changes
  const auto deals = t.game.deals();
  t.game.BInicioClick();
  EXPECT_EQ(t.game.deals(), deals);
  EXPECT_EQ(t.game.state().player_points, 5);
  EXPECT_EQ(t.screen.messages.back(), "Deseja reiniciar a partida? Seus pontos serão zerados ?");

  t.screen.confirm.push_back(true);
  t.game.BInicioClick();
  EXPECT_EQ(t.game.deals(), deals + 1);
  EXPECT_EQ(t.game.state().player_points, 0);
  EXPECT_EQ(t.game.state().computer_points, 0);
  EXPECT_EQ(t.game.state().games_player, 1);  // the tally stays
  ASSERT_EQ(t.screen.records.size(), 2u);
  EXPECT_EQ(t.screen.records[0], (Record{"FULANO", 1, 0, 1}));
  EXPECT_EQ(t.screen.records[1], (Record{"COMPUTADOR", 0, 1, -1}));
}

TEST(Restart, CancelLeavesTheRunningGameUntouched) {
  Table t;
  t.game.BInicioClick();
  t.s().player_points = 4;
  t.screen.kinds.push_back({false, GameKind::ContraPC, "OUTRO"});
  t.game.BInicioClick();
  EXPECT_EQ(t.game.state().player_points, 4);
  EXPECT_EQ(t.game.state().LabelNome, "FULANO");
  EXPECT_EQ(t.game.deals(), 1u);
}

TEST(Restart, DeclinedKeepsTheNameTheGameIsPlayedUnder) {
  Table t;
  t.game.BInicioClick();
  t.screen.kinds.push_back({true, GameKind::ContraPC, "OUTRO"});
  t.screen.confirm.push_back(false);
  t.game.BInicioClick();
  EXPECT_EQ(t.game.state().LabelNome, "FULANO");
  EXPECT_EQ(t.game.state().LabelCartasNome, "FULANO");
  // Confirmed, the new name takes the records' line and the table.
  t.screen.kinds.push_back({true, GameKind::ContraPC, "OUTRO"});
  t.screen.confirm.push_back(true);
  t.game.BInicioClick();
  EXPECT_EQ(t.game.state().LabelNome, "OUTRO");
  ASSERT_EQ(t.screen.records.size(), 2u);
  EXPECT_EQ(t.screen.records[0].name, "OUTRO");
}

TEST(Restart, ConfirmedWithNoGameFinishedHandsTwoZeroLines) {
  Table t;
  t.game.BInicioClick();
  t.screen.confirm.push_back(true);
  t.game.BInicioClick();
  ASSERT_EQ(t.screen.records.size(), 2u);
  EXPECT_EQ(t.screen.records[0], (Record{"FULANO", 0, 0, 0}));
  EXPECT_EQ(t.screen.records[1], (Record{"COMPUTADOR", 0, 0, 0}));
}

}  // namespace
}  // namespace truco::testing

namespace truco::testing {
namespace {

TEST(StopMatch, ZeroesThePointsKeepsTheTallyAndNothingMoreIsPlayed) {
  Table t;
  t.game.BInicioClick();
  t.s().player_points = 7;
  t.s().computer_points = 3;
  t.s().games_player = 2;
  const auto deals = t.game.deals();
  t.game.StopMatch();
  t.game.CartaJ1Click();
  t.game.BTrucarClick();
  t.game.BCorrerClick();
  const GameState& s = t.game.state();
  EXPECT_EQ(s.player_points, 0);
  EXPECT_EQ(s.computer_points, 0);
  EXPECT_EQ(s.games_player, 2);
  EXPECT_EQ(s.cards[kCartaJ1].top, kPlayerHandTop);
  EXPECT_EQ(t.game.deals(), deals);
  EXPECT_TRUE(t.screen.messages.empty());
  // "Iniciar" asks the restart question and deals again.
  t.screen.confirm.push_back(true);
  t.game.BInicioClick();
  EXPECT_EQ(t.game.deals(), deals + 1);
  EXPECT_TRUE(t.game.state().may_play);
}

}  // namespace
}  // namespace truco::testing

namespace truco::testing {
namespace {

TEST(Sair, EqualGamesOnlyAskAndWriteNothing) {
  Table t;
  t.screen.yes_no = {false, true};
  EXPECT_FALSE(t.game.BsairClick());
  EXPECT_TRUE(t.game.BsairClick());
  EXPECT_EQ(t.screen.messages.back(), "Tem Certeza que deseja Sair?");
  EXPECT_TRUE(t.screen.records.empty());
}

TEST(Sair, APlayerBehindIsTauntedAndTheComputersLineGoesToTheRecords) {
  Table t;
  t.s().games_computer = 3;
  t.s().games_player = 1;
  t.screen.yes_no = {false};
  EXPECT_FALSE(t.game.BsairClick());
  EXPECT_EQ(t.LastMessage(), "É isso ai, seja Macho e não fuja");
  t.screen.yes_no = {true};
  EXPECT_TRUE(t.game.BsairClick());
  EXPECT_EQ(t.LastMessage(), "Maricas, HAHAHAHA. Não vai perder o sono por causa da surra");
  ASSERT_EQ(t.screen.records.size(), 1u);
  EXPECT_EQ(t.screen.records[0], (Record{"COMPUTADOR", 3, 1, 2}));
}

TEST(Sair, APlayerAheadHandsTheirOwnLineUnderTheScoreBoxName) {
  Table t;
  t.s().LabelNome = "ANA";
  t.s().games_player = 2;
  t.screen.yes_no = {true};
  EXPECT_TRUE(t.game.BsairClick());
  EXPECT_EQ(t.LastMessage(), "Maricas, saiu só porque ganhou uma");
  ASSERT_EQ(t.screen.records.size(), 1u);
  EXPECT_EQ(t.screen.records[0], (Record{"ANA", 2, 0, 2}));
}

// A networked side that may or may not take up a game that was cut off.
class FakeNetworkedPlay : public NetworkedPlay {
 public:
  void Inicio_Online() override { ++starts; }
  void PlayCard(CardId) override {}
  [[nodiscard]] bool Resumable() const override { return resumable; }
  bool resumable = false;
  int starts = 0;
};

TEST(Restart, ComingBackToAnInterruptedNetworkedGameIsNoRestart) {
  for (const bool resumable : {true, false}) {
    Table t;
    FakeNetworkedPlay net;
    net.resumable = resumable;
    t.game.set_networked_play(&net);
    t.screen.kinds.push_back({true, GameKind::EmRede, "ANA"});
    t.game.BInicioClick();
    t.s().player_points = 5;
    t.s().computer_points = 7;
    t.s().hand_counter = 4;
    t.screen.kinds.push_back({true, GameKind::EmRede, "ANA"});
    if (!resumable) t.screen.confirm.push_back(true);
    t.game.BInicioClick();
    EXPECT_EQ(net.starts, 2);
    if (resumable) {
      // Nothing asked, nothing handed to the records, the points as they were.
      EXPECT_TRUE(t.screen.messages.empty());
      EXPECT_TRUE(t.screen.records.empty());
      EXPECT_EQ(t.s().player_points, 5);
      EXPECT_EQ(t.s().computer_points, 7);
    } else {
      EXPECT_EQ(t.screen.records.size(), 2u);
      EXPECT_EQ(t.s().player_points, 0);
    }
  }
}

}  // namespace
}  // namespace truco::testing
