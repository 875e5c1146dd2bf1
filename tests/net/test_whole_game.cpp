// A whole networked game between two sides wired in memory: scripted cases for each rule.
// Cards: the vira is a 4, so the 5s are the manilhas; then 3 > 2 > Ás > Rei > Valete > Dama > 7.

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/engine/random_play.h"
#include "tests/net/whole_game.h"

namespace truco::testing {
namespace {

using net::Side;

const Card kVira = C(4, Suit::Clubs);
const Card kTresC = C(3, Suit::Clubs);
const Card kTresE = C(3, Suit::Spades);
const Card kDoisC = C(2, Suit::Clubs);
const Card kDoisE = C(2, Suit::Spades);
const Card kAsC = C(1, Suit::Clubs);
const Card kAsE = C(1, Suit::Spades);
const Card kReiC = C(kRei, Suit::Clubs);
const Card kReiE = C(kRei, Suit::Spades);
const Card kSeteC = C(7, Suit::Clubs);
const Card kSeteE = C(7, Suit::Spades);
const Card kDamaC = C(kDama, Suit::Clubs);

// Host holds 3♣ 2♣ Ás♣, guest Rei♠ 7♠ Dama♣: the host takes every trick it contests.
const std::array<Card, 3> kStrongHost{kTresC, kDoisC, kAsC};
const std::array<Card, 3> kWeakGuest{kReiE, kSeteE, kDamaC};

std::string Last(const std::vector<std::string>& v) {
  return v.empty() ? std::string() : v.back();
}

bool Sent(const NetSide& side, const std::string& line) {
  return std::find(side.out.sent.begin(), side.out.sent.end(), line) != side.out.sent.end();
}

struct Game12 : Duo {
  explicit Game12(GameSettings settings = {kBaralhoSujo, ManilhaMode::Nova, 0}) : Duo(settings) {
    check = [this] { ExpectAgree(); };
  }
  void Deal(const std::array<Card, 3>& guest_cards, const std::array<Card, 3>& host_cards) {
    StackNetDeal(host, guest_cards, host_cards, kVira);
  }
  // `side` plays the card with this face, and every line it sets off is delivered.
  void Plays(NetSide& side, Card card) {
    side.Play(card);
    Pump();
  }
};

TEST(WholeGame, GreetingThenOnlyTheGuestsCardsAndTheViraTravel) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  // The guest greets right before its name; the host answers.
  ASSERT_GE(g.guest.out.sent.size(), 2u);
  EXPECT_EQ(g.guest.out.sent[0], "H2");
  EXPECT_EQ(g.guest.out.sent[1], "NANA");
  EXPECT_TRUE(Sent(g.host, "H2"));
  EXPECT_TRUE(g.host.hand.whole_game());
  EXPECT_TRUE(g.guest.hand.whole_game());
  // The deal: settings, the new hand, the guest's three cards, the vira; no host card at all.
  const std::vector<std::string> deal{"G110", "DS0,0,0,0", "V1313", "V723", "V1231", "I411"};
  auto at = std::search(g.host.out.sent.begin(), g.host.out.sent.end(), deal.begin(), deal.end());
  EXPECT_NE(at, g.host.out.sent.end());
  for (const std::string& line : g.host.out.sent) EXPECT_NE(line[0], 'A') << line;
  for (int slot = 1; slot <= 3; ++slot) EXPECT_FALSE(g.guest.hand.opponent_card(slot));
  EXPECT_EQ(g.guest.hand.own_card(1), kReiE);
  // The guest's manilhas and deck are the host's, whatever its own settings say.
  EXPECT_EQ(g.guest.game.state().manilha_value, g.host.game.state().manilha_value);
  EXPECT_EQ(g.guest.game.state().manilha_value[0], 5);
  // A guest that asks for the host's cards the classic way gets nothing.
  const std::size_t before = g.host.out.sent.size();
  for (const char* ask : {"A1", "A2", "A3", "A4", "C1"}) g.Inject(g.host, ask);
  EXPECT_EQ(g.host.out.sent.size(), before);
  // The host's card travels right before its play, and only then.
  g.Plays(g.host, kAsC);
  ASSERT_GE(g.host.out.sent.size(), 2u);
  EXPECT_EQ(g.host.out.sent[g.host.out.sent.size() - 2], "A131");
  EXPECT_EQ(g.host.out.sent.back(), "J31");
  EXPECT_EQ(g.guest.hand.opponent_card(3), kAsC);
  EXPECT_FALSE(g.guest.hand.opponent_card(1));
  EXPECT_EQ(g.guest.hand.actor(), 'C');
}

// The example exchange of docs/protocol.md, line for line.
TEST(WholeGame, TheDocumentedExampleExchange) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.Plays(g.host, kAsC);
  g.Plays(g.guest, kReiE);
  g.host.game.BTrucarClick();
  g.Pump();
  g.guest.hand.AnswerTruco(kAnswerRaise);
  g.Pump();
  g.host.hand.AnswerTruco(kAnswerRun);
  g.Pump();
  const std::vector<std::string> expected{
      "host  -> guest  NHOSTE", "guest -> host   H2",       "guest -> host   NANA",
      "host  -> guest  H2",     "host  -> guest  G110",     "host  -> guest  DS0,0,0,0",
      "host  -> guest  V1313",  "host  -> guest  V723",     "host  -> guest  V1231",
      "host  -> guest  I411",   "host  -> guest  A131",     "host  -> guest  J31",
      "guest -> host   J11",    "host  -> guest  R1S",      "host  -> guest  T3",
      "guest -> host   T6",     "host  -> guest  F",        "guest -> host   O",
      "host  -> guest  G110",   "host  -> guest  DC0,3,0,0"};
  ASSERT_GE(g.wire.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(g.wire.begin(),
                                     g.wire.begin() + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
  EXPECT_EQ(g.guest.out.told.front(), "HOSTE correu\rVocê Ganhou 3 Tento(s)");
}

TEST(WholeGame, HandEndsWhenDecidedWithPointsAndTextsOnBothSides) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.Plays(g.host, kTresC);
  g.Plays(g.guest, kSeteE);
  // The host judged: both labels say who took it, each from its own side.
  EXPECT_EQ(g.host.game.state().trick_result[1], kJogador);
  EXPECT_EQ(g.guest.game.state().trick_result[1], kMicro);
  EXPECT_EQ(g.guest.game.TrickLabelText(1), "      A Primeira é Minha");
  EXPECT_EQ(g.host.hand.actor(), 'S');
  // The next hand must not come before both sides closed the box: hold the guest's "O".
  g.Plays(g.host, kDoisC);
  g.Plays(g.guest, kDamaC);
  // Decided after two tricks: no third is played; the host scores the stake.
  EXPECT_EQ(Last(g.host.out.told), "Você Ganhou 1 Tento(s)");
  EXPECT_EQ(Last(g.guest.out.told), "HOSTE Ganhou 1 Tento(s)");
  EXPECT_EQ(g.host.game.state().player_points, 1);
  EXPECT_EQ(g.guest.game.state().computer_points, 1);
  EXPECT_EQ(g.guest.game.state().player_points, 0);
  // Both boxes closed (the in-memory screen closes them at once): the next hand is dealt, led by
  // the guest this time.
  EXPECT_TRUE(Sent(g.guest, "O"));
  EXPECT_EQ(g.host.hand.hands_dealt(), 2);
  EXPECT_EQ(g.guest.hand.hands_dealt(), 2);
  EXPECT_EQ(g.host.hand.actor(), 'C');
  EXPECT_EQ(g.host.game.state().trick_result[1], "");
  EXPECT_EQ(g.guest.game.state().may_play, true);
}

TEST(WholeGame, TheHostDealsOnlyAfterTheGuestClosedItsBox) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.Plays(g.host, kTresC);
  g.Plays(g.guest, kSeteE);
  g.Plays(g.host, kDoisC);
  // The guest's last card; the host's result comes back, but its "O" is held.
  g.guest.Play(kDamaC);
  g.check = nullptr;
  while (!g.to_host.empty()) g.Deliver(g.to_host, g.host);
  while (!g.to_guest.empty()) g.Deliver(g.to_guest, g.guest);
  ASSERT_FALSE(g.to_host.empty());
  EXPECT_EQ(g.to_host.back(), "O");
  g.to_host.clear();
  EXPECT_TRUE(g.host.hand.hand_finished());
  EXPECT_EQ(g.host.hand.hands_dealt(), 1);
  EXPECT_EQ(g.host.hand.actor(), ' ');
  g.Inject(g.host, "O");
  EXPECT_EQ(g.host.hand.hands_dealt(), 2);
}

TEST(WholeGame, TrucoRaisedAndRunGivesTheRaiserTheRunValue) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  // Host's turn: it calls truco. The guest is asked with the caller's name and a raise to 6.
  g.host.game.BTrucarClick();
  g.Pump();
  EXPECT_EQ(Last(g.host.out.sent), "T3");
  ASSERT_EQ(g.guest.out.truco_asks.size(), 1u);
  EXPECT_EQ(g.guest.out.truco_asks[0].phrase, "HOSTE pede Truco");
  EXPECT_TRUE(g.guest.out.truco_asks[0].raise_offered);
  EXPECT_EQ(g.guest.out.truco_asks[0].raise_caption, "Pedir 6");
  // Nobody plays while the call waits.
  EXPECT_FALSE(g.host.game.state().may_play);
  g.Plays(g.host, kTresC);
  EXPECT_EQ(g.host.hand.actor(), 'C');
  // The guest raises: the truco counts as accepted, and the host is asked for six.
  g.guest.hand.AnswerTruco(kAnswerRaise);
  g.Pump();
  EXPECT_EQ(Last(g.guest.out.sent), "T6");
  EXPECT_EQ(g.host.hand.stake(), 3);
  ASSERT_EQ(g.host.out.truco_asks.size(), 1u);
  EXPECT_EQ(g.host.out.truco_asks[0].phrase, "ANA pede Seis");
  EXPECT_EQ(g.host.out.truco_asks[0].raise_caption, "Pedir 9");
  // The host runs: the guest gains the run value of "Seis", 3.
  g.host.hand.AnswerTruco(kAnswerRun);
  g.Pump();
  EXPECT_TRUE(Sent(g.host, "F"));
  EXPECT_EQ(g.guest.game.state().player_points, 3);
  EXPECT_EQ(g.host.game.state().computer_points, 3);
  EXPECT_EQ(g.guest.out.told.front(), "HOSTE correu\rVocê Ganhou 3 Tento(s)");
  EXPECT_EQ(g.host.out.told.front(), "ANA Ganhou 3 Tento(s)");
  EXPECT_EQ(g.host.hand.hands_dealt(), 2);
}

TEST(WholeGame, TheRaiseRightPassesToTheSideThatAccepted) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.host.game.BTrucarClick();
  g.Pump();
  g.guest.hand.AnswerTruco(kAnswerAccept);
  g.Pump();
  EXPECT_EQ(g.host.hand.stake(), 3);
  EXPECT_EQ(g.host.game.state().LabelVale, "3");
  EXPECT_EQ(g.guest.game.state().LabelVale, "3");
  EXPECT_EQ(g.host.game.state().BTrucar.caption, "Seis");
  // The caller may not call "Seis"; it plays on.
  EXPECT_FALSE(g.host.game.state().BTrucar.enabled);
  const std::size_t sent = g.host.out.sent.size();
  g.host.game.BTrucarClick();
  EXPECT_EQ(g.host.out.sent.size(), sent);
  g.Plays(g.host, kAsC);
  // The guest, who accepted, may call "Seis" on its turn; the host accepts.
  EXPECT_TRUE(g.guest.game.state().BTrucar.enabled);
  g.guest.game.BTrucarClick();
  g.Pump();
  EXPECT_EQ(Last(g.guest.out.sent), "T6");
  g.host.hand.AnswerTruco(kAnswerAccept);
  g.Pump();
  EXPECT_EQ(g.guest.hand.stake(), 6);
  // The turn goes back to the guest, who called in its turn.
  EXPECT_EQ(g.guest.hand.actor(), 'C');
  EXPECT_NE(g.guest.out.panel.find("HOSTE aceitou"), std::string::npos);
}

TEST(WholeGame, DozeOffersNoRaiseAndCorrerGivesTheStakeInForce) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  // 3 -> 6 -> 9 -> 12 by raises, each side answering the other's call.
  g.host.game.BTrucarClick();
  g.Pump();
  g.guest.hand.AnswerTruco(kAnswerRaise);
  g.Pump();
  g.host.hand.AnswerTruco(kAnswerRaise);
  g.Pump();
  g.guest.hand.AnswerTruco(kAnswerRaise);
  g.Pump();
  ASSERT_EQ(g.host.out.truco_asks.size(), 2u);
  EXPECT_EQ(g.host.out.truco_asks[1].phrase, "ANA pede Doze");
  EXPECT_FALSE(g.host.out.truco_asks[1].raise_offered);
  // A raise beyond "Doze" is not taken.
  const std::size_t sent = g.host.out.sent.size();
  g.host.hand.AnswerTruco(kAnswerRaise);
  EXPECT_EQ(g.host.out.sent.size(), sent);
  g.host.hand.AnswerTruco(kAnswerAccept);
  g.Pump();
  EXPECT_EQ(g.host.hand.stake(), 12);
  EXPECT_FALSE(g.host.game.state().BTrucar.enabled);
  EXPECT_FALSE(g.guest.game.state().BTrucar.enabled);
  // "Correr" on the host's turn: the guest gains the 12 in force (never shown above 12).
  g.host.game.BCorrerClick();
  g.Pump();
  EXPECT_EQ(g.guest.hand.games(Side::Guest), 1);
  EXPECT_EQ(g.guest.out.told[1], net::kTextGameWon);
  EXPECT_EQ(g.host.out.told[1], net::kTextGameLost);
  EXPECT_EQ(g.guest.game.state().games_player, 1);
  EXPECT_EQ(g.host.game.state().games_computer, 1);
  EXPECT_EQ(g.host.game.state().player_points, 0);
  EXPECT_EQ(g.host.game.state().computer_points, 0);
}

TEST(WholeGame, CorrerWithoutACallGivesOnePointAndOnlyOnTheOwnTurn) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  EXPECT_FALSE(g.guest.game.state().BCorrer.enabled);
  g.guest.game.BCorrerClick();  // not its turn: nothing
  g.Inject(g.host, "F");        // nor from the wire
  EXPECT_EQ(g.host.hand.points(Side::Host), 0);
  g.host.game.BCorrerClick();
  g.Pump();
  EXPECT_EQ(g.guest.game.state().player_points, 1);
  EXPECT_EQ(Last(g.guest.out.told), "HOSTE correu\rVocê Ganhou 1 Tento(s)");
}

TEST(WholeGame, HiddenCardFromTheSecondTrickTravelsFaceDownAndLoses) {
  Game12 g;
  g.Deal(kWeakGuest, {kSeteC, kDoisC, kAsC});
  g.Open(false);  // the guest leads
  EXPECT_FALSE(g.guest.game.state().BEsconder.enabled);
  g.guest.game.BEsconderClick();  // closed in the first trick
  EXPECT_FALSE(g.guest.game.state().hide_armed);
  g.Plays(g.guest, kReiE);
  g.host.Play(kSeteC);
  g.Pump();  // the guest takes the first and leads again
  // The guest hides its 7 in the second trick: the card never travels, and it loses.
  ASSERT_TRUE(g.guest.game.state().BEsconder.enabled);
  g.guest.game.BEsconderClick();
  EXPECT_EQ(g.guest.game.state().BEsconder.caption, kNaoEsconderCaption);
  g.Plays(g.guest, kSeteE);
  EXPECT_EQ(Last(g.guest.out.sent), "E22");
  EXPECT_TRUE(g.host.hand.hidden(2, Side::Guest));
  EXPECT_TRUE(g.guest.Card(kCartaJ2).face_down);
  EXPECT_EQ(g.guest.Card(kCartaJ2).top, kTrickTops[2]);
  EXPECT_TRUE(g.host.Card(kCartaM2).face_down);
  EXPECT_EQ(g.guest.game.state().BEsconder.caption, kEsconderCaption);
  g.Plays(g.host, kAsC);
  EXPECT_EQ(g.guest.game.state().trick_result[2], kMicro);
  g.Plays(g.host, kDoisC);
  g.Plays(g.guest, kDamaC);
  EXPECT_EQ(g.host.hand.points(Side::Host), 1);
}

TEST(WholeGame, AHiddenHostCardNeverReachesTheGuest) {
  Game12 g;
  g.Deal(kWeakGuest, {kSeteC, kDoisC, kAsC});
  g.Open(false);
  g.Plays(g.guest, kReiE);
  g.host.Play(kSeteC);
  g.Pump();  // the guest takes the first and leads
  g.Plays(g.guest, kDamaC);
  g.host.game.BEsconderClick();
  g.Plays(g.host, kDoisC);
  EXPECT_TRUE(Sent(g.host, "E22"));
  for (const std::string& line : g.host.out.sent) EXPECT_NE(line, "A221") << "the hidden card";
  // The guest took both tricks.
  EXPECT_EQ(g.guest.hand.points(Side::Guest), 1);
}

TEST(WholeGame, AllThreeTiedIsDealtAgainWithoutPoints) {
  Game12 g;
  g.Deal({kTresE, kDoisE, kAsE}, {kTresC, kDoisC, kAsC});
  g.Open(true);
  for (auto [h, c] : {std::pair{kTresC, kTresE}, {kDoisC, kDoisE}, {kAsC, kAsE}}) {
    g.host.Play(h);
    g.Pump();
    g.guest.Play(c);
    g.Pump();
  }
  EXPECT_EQ(g.host.out.told.back(), net::kTextReplay);
  EXPECT_EQ(g.guest.out.told.back(), net::kTextReplay);
  EXPECT_EQ(g.host.hand.points(Side::Host), 0);
  EXPECT_EQ(g.host.hand.points(Side::Guest), 0);
  EXPECT_EQ(g.host.hand.hands_dealt(), 2);
}

TEST(WholeGame, TiedFirstTrickThenWonSecondWinsTheHand) {
  Game12 g;
  g.Deal({kTresE, kReiE, kAsE}, {kTresC, kDoisC, kSeteC});
  g.Open(true);
  g.Plays(g.host, kTresC);
  g.Plays(g.guest, kTresE);
  // A tie: the side that led the tied trick leads again.
  EXPECT_EQ(g.host.hand.actor(), 'S');
  g.Plays(g.host, kDoisC);
  g.Plays(g.guest, kReiE);
  EXPECT_EQ(g.host.hand.points(Side::Host), 1);
  EXPECT_EQ(g.guest.out.told.back(), "HOSTE Ganhou 1 Tento(s)");
}

// Points come from a resumed game so the hand of eleven arises at once.
struct ElevenGame : Game12 {
  explicit ElevenGame(int host_points, int guest_points, int eleven_mode = 0)
      : Game12({kBaralhoSujo, ManilhaMode::Nova, eleven_mode}) {
    net::NetworkedHand::ResumeState state;
    state.opponent_name = "ANA";
    state.points = {host_points, guest_points};
    state.hand_counter = 2;  // the host leads
    state.settings = host.s().settings;
    host.hand.SetResumeState(state);
    Deal(kWeakGuest, kStrongHost);
    Open(true);
    EXPECT_EQ(host.out.questions.size(), 1u);
    host.hand.Answer(net::Question::Continue, true);
    Pump();
  }
};

TEST(WholeGame, HandOfElevenPlayedForThreeWithoutCallsAndOnlyTheElevenMayRun) {
  ElevenGame g(11, 4);
  ASSERT_EQ(g.host.out.questions.size(), 2u);
  EXPECT_EQ(g.host.out.questions[1].first, net::Question::Eleven);
  EXPECT_EQ(g.host.out.questions[1].second, net::kTextElevenQuestion);
  EXPECT_TRUE(g.guest.out.questions.empty());
  // Nobody plays before the answer.
  EXPECT_EQ(g.host.hand.actor(), 'S');
  EXPECT_FALSE(g.host.game.state().may_play);
  EXPECT_EQ(g.guest.out.panel, "HOSTE decide a mão de 11");
  g.host.hand.Answer(net::Question::Eleven, true);
  g.Pump();
  EXPECT_EQ(g.host.hand.stake(), 3);
  EXPECT_EQ(g.guest.game.state().LabelVale, "3");
  EXPECT_FALSE(g.host.game.state().BTrucar.visible);
  EXPECT_FALSE(g.guest.game.state().BTrucar.visible);
  g.host.game.BTrucarClick();
  EXPECT_EQ(Last(g.host.out.sent), "U1");
  // The host (at 11) may still run; the guest may not, even on its turn.
  EXPECT_TRUE(g.host.game.state().BCorrer.enabled);
  g.Plays(g.host, kAsC);
  EXPECT_FALSE(g.guest.game.state().BCorrer.enabled);
  const std::size_t guest_sent = g.guest.out.sent.size();
  g.guest.game.BCorrerClick();
  EXPECT_EQ(g.guest.out.sent.size(), guest_sent);
  g.Plays(g.guest, kDamaC);
  g.Plays(g.host, kTresC);
  g.Plays(g.guest, kSeteE);
  // Won for 3: 11 + 3 shows 12 and ends the game.
  EXPECT_EQ(g.host.out.told[0], "Você Ganhou 3 Tento(s)");
  EXPECT_EQ(g.host.out.told[1], net::kTextGameWon);
  EXPECT_EQ(g.host.hand.games(Side::Host), 1);
}

TEST(WholeGame, HandOfElevenGivenUpGivesTheOtherOnePoint) {
  ElevenGame g(3, 11);
  ASSERT_EQ(g.guest.out.questions.size(), 1u);
  EXPECT_EQ(g.guest.hand.actor(), 'C');
  g.guest.hand.Answer(net::Question::Eleven, false);
  g.Pump();
  EXPECT_TRUE(Sent(g.guest, "U0"));
  EXPECT_EQ(g.host.hand.points(Side::Host), 4);
  EXPECT_EQ(g.host.out.told[0], "ANA não quis jogar a mão de 11\rVocê Ganhou 1 Tento(s)");
  EXPECT_EQ(g.guest.out.told[0], "HOSTE Ganhou 1 Tento(s)");
}

TEST(WholeGame, ElevenAgainstElevenInTheDarkIsPlayedBlindForOne) {
  ElevenGame g(11, 11, 1);
  EXPECT_EQ(g.host.out.questions.size(), 1u);  // only "Continuar a partida?"
  for (NetSide* side : {&g.host, &g.guest}) {
    const GameState& s = side->game.state();
    for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3}) EXPECT_TRUE(s.cards[id].face_down);
    EXPECT_FALSE(s.BTrucar.visible);
    EXPECT_EQ(s.hand_stake, 1);
  }
  EXPECT_FALSE(g.host.game.state().BCorrer.enabled);
  g.host.game.CartaJClick(0);
  g.Pump();
  // Played blind, it turns up on the table on both sides.
  EXPECT_FALSE(g.host.Card(kCartaJ1).face_down);
  EXPECT_EQ(g.host.Card(kCartaJ1).top, kTrickTops[1]);
  EXPECT_FALSE(g.guest.Card(kCartaM1).face_down);
}

TEST(WholeGame, ElevenAgainstElevenNormalIsDealtFaceUp) {
  ElevenGame g(11, 11, 0);
  for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3}) {
    EXPECT_FALSE(g.host.Card(id).face_down);
    EXPECT_FALSE(g.guest.Card(id).face_down);
  }
}

TEST(WholeGame, RestartOnlyOnYesAndOnBothSides) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.host.game.BCorrerClick();  // the guest leads 1 to 0
  g.Pump();
  ASSERT_EQ(g.guest.hand.points(Side::Guest), 1);
  // "No": nothing moves, still connected.
  g.guest.screen.confirm.clear();
  g.guest.screen.confirm.push_back(false);
  g.guest.game.BInicioClick();
  g.Pump();
  EXPECT_EQ(g.guest.hand.points(Side::Guest), 1);
  EXPECT_EQ(g.guest.game.state().player_points, 1);
  EXPECT_EQ(g.host.hand.hands_dealt(), 2);
  EXPECT_TRUE(g.guest.hand.linked());
  // "Yes" on the guest: both to 0, the host deals a fresh hand.
  g.guest.screen.confirm.push_back(true);
  g.guest.game.BInicioClick();
  g.Pump();
  EXPECT_TRUE(Sent(g.guest, "Z"));
  EXPECT_EQ(g.host.hand.points(Side::Guest), 0);
  EXPECT_EQ(g.guest.game.state().player_points, 0);
  EXPECT_EQ(g.host.hand.hands_dealt(), 3);
  EXPECT_EQ(g.guest.hand.hands_dealt(), 3);
  EXPECT_TRUE(g.guest.game.state().may_play || g.host.game.state().may_play);
}

TEST(WholeGame, ARestartCrossingACallLeavesBothSidesOnTheSameNewHand) {
  for (const bool host_restarts : {true, false}) {
    Game12 g;
    g.Deal(kWeakGuest, kStrongHost);
    g.Open(host_restarts);
    // A call is on the wire when the other side's restart goes out; in the new hand the caller
    // leads, so the host must not take the old call as one of the new hand.
    if (host_restarts) {
      g.Plays(g.host, kTresC);
      g.guest.game.BTrucarClick();
      g.host.hand.RestartGame();
    } else {
      g.Plays(g.guest, kReiE);
      g.host.game.BTrucarClick();
      g.guest.hand.RestartGame();
    }
    g.Pump();  // checks that both sides agree
    EXPECT_EQ(g.host.hand.hands_dealt(), 2);
    EXPECT_EQ(g.guest.hand.hands_dealt(), 2);
    for (int t = 1; t <= 3; ++t) {
      EXPECT_EQ(ViewOf(g.host).host_card[t], 0);
      EXPECT_EQ(ViewOf(g.host).guest_card[t], 0);
    }
    // Both restarting at once also ends on one fresh hand.
    g.host.hand.RestartGame();
    g.guest.hand.RestartGame();
    g.Pump();
    EXPECT_EQ(g.host.hand.hands_dealt(), g.guest.hand.hands_dealt());
    EXPECT_NE(g.host.hand.actor(), ' ');
  }
}

TEST(WholeGame, ResumeGoesOnWhereTheHandStopped) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.host.game.BCorrerClick();  // guest 1 x 0
  g.Pump();
  g.host.game.BCorrerClick();  // not the host's turn now: the guest leads this hand
  g.guest.game.BTrucarClick();
  g.Pump();
  g.host.hand.AnswerTruco(kAnswerAccept);
  g.Pump();
  g.guest.game.CartaJClick(0);
  g.Pump();
  ASSERT_EQ(g.host.hand.stake(), 3);
  const net::HandState before = g.host.hand.table();
  // The line drops in the middle of the hand.
  g.up = false;
  g.check = nullptr;
  g.host.hand.ConnectionLost("A conexão com o adversário foi perdida.");
  g.guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
  ASSERT_TRUE(g.host.hand.resume_state());
  const auto state = *g.host.hand.resume_state();
  EXPECT_EQ(state.opponent_name, "ANA");
  EXPECT_EQ(state.points, (std::array<int, 2>{0, 1}));
  EXPECT_EQ(state.hand_counter, 3);
  EXPECT_FALSE(g.host.game.state().may_play);
  // The same guest comes back: the host asks, and on yes both go on at 0 x 1.
  g.up = true;
  g.to_host.clear();
  g.to_guest.clear();
  g.host.hand.Prepare(Side::Host, "HOSTE");
  g.guest.hand.Prepare(Side::Guest, "ANA");
  g.Open(true);
  ASSERT_FALSE(g.host.out.questions.empty());
  EXPECT_EQ(g.host.out.questions.back().first, net::Question::Continue);
  EXPECT_EQ(g.host.out.questions.back().second, "Continuar a partida?");
  g.host.hand.Answer(net::Question::Continue, true);
  g.Pump();
  g.ExpectAgree();
  EXPECT_EQ(g.guest.game.state().player_points, 1);
  EXPECT_EQ(g.host.game.state().computer_points, 1);
  // The interrupted hand goes on where it stopped: stake 3, the guest's card on the table, the
  // host to answer it; the guest holds the same cards and never sees the host's.
  EXPECT_EQ(g.host.hand.actor(), 'S');
  EXPECT_EQ(g.guest.hand.stake(), 3);
  EXPECT_EQ(g.host.hand.table(), before);
  EXPECT_EQ(g.guest.hand.table().cards[net::kGuestSeat], before.cards[net::kGuestSeat]);
  for (int slot = 1; slot <= 3; ++slot) EXPECT_FALSE(g.guest.hand.opponent_card(slot));
  EXPECT_NE(g.guest.Card(kCartaJ1).top, kPlayerHandTop);
  EXPECT_FALSE(g.host.hand.resume_state());
  // And the hand ends as it would have.
  g.host.game.CartaJClick(0);
  g.Pump();
  g.ExpectAgree();
}

TEST(WholeGame, ResumeRefusedStartsAFreshGame) {
  Game12 g;
  net::NetworkedHand::ResumeState state;
  state.opponent_name = "ANA";
  state.points = {7, 9};
  state.games = {2, 1};
  g.host.hand.SetResumeState(state);
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.host.hand.Answer(net::Question::Continue, false);
  g.Pump();
  EXPECT_EQ(g.guest.hand.points(Side::Host), 0);
  EXPECT_EQ(g.guest.hand.games(Side::Host), 0);
  // Another opponent's name is never offered a resume.
  Game12 other;
  state.opponent_name = "BETO";
  other.host.hand.SetResumeState(state);
  other.Deal(kWeakGuest, kStrongHost);
  other.Open(true);
  EXPECT_TRUE(other.host.out.questions.empty());
  EXPECT_EQ(other.host.hand.hands_dealt(), 1);
}

TEST(WholeGame, ClassicGuestGetsTodaysSingleHand) {
  Game12 g;
  g.check = nullptr;
  g.guest.hand.set_classic_only(true);
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  EXPECT_FALSE(g.host.hand.whole_game());
  EXPECT_EQ(g.guest.out.sent.front(), "NANA");
  for (const std::string& line : g.host.out.sent) {
    EXPECT_EQ(std::string("HGDERTKFUOZ").find(line[0]), std::string::npos) << line;
  }
  EXPECT_TRUE(g.guest.hand.DealComplete());
  // The classic hand: the host leads, three tricks, no points.
  for (auto [h, c] : {std::pair{kTresC, kReiE}, {kDoisC, kSeteE}, {kAsC, kDamaC}}) {
    g.host.Play(h);
    g.Pump();
    g.guest.Play(c);
    g.Pump();
  }
  EXPECT_TRUE(g.host.hand.HandOver());
  EXPECT_EQ(g.host.game.state().player_points, 0);
}

TEST(WholeGame, ClassicHostStillDealsToANewGuest) {
  Game12 g;
  g.check = nullptr;
  g.host.hand.set_classic_only(true);
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  EXPECT_EQ(g.guest.out.sent[0], "H2");  // unanswered
  EXPECT_FALSE(g.guest.hand.whole_game());
  EXPECT_TRUE(g.guest.hand.DealComplete());
  EXPECT_EQ(g.guest.hand.opponent_card(1), kTresC);  // the classic deal shows all
  g.Plays(g.host, kTresC);
  g.Plays(g.guest, kReiE);
  EXPECT_EQ(g.host.game.state().trick_result[1], "Jogador");
}

TEST(WholeGame, StrayAndOutOfTurnMessagesChangeNothing) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  const SharedView before = ViewOf(g.host);
  // The host's turn: the guest's plays, answers and runs are out of turn; junk and a second
  // name are ignored too.
  for (const char* line : {"J11", "E12", "K3", "F", "T6", "T3", "U1", "O", "Z1", "NOUTRO", "H9",
                           "R1S", "DC1,1,1,1", "Q", "", "J1", "V1331"}) {
    g.Inject(g.host, line);
  }
  for (const char* line : {"J11", "A111", "R1C", "K3", "PC", "C", "G2", "DS", "U1", "O"}) {
    g.Inject(g.guest, line);
  }
  EXPECT_EQ(ViewOf(g.host), before);
  EXPECT_EQ(g.host.out.opponent, "ANA");
  EXPECT_FALSE(g.guest.game.state().may_play);
  // The hidden command turns nothing face up between two people.
  g.host.game.ViewHands();
  for (CardId id : {kCartaM1, kCartaM2, kCartaM3}) EXPECT_TRUE(g.host.Card(id).face_down);
}

// A host that shows a card the guest already sees (here the vira) broke the deal: the guest's
// table cannot hold it, and the connection goes rather than the hand waiting for ever.
TEST(WholeGame, AHostCardAlreadyInViewEndsTheConnection) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.Open(true);
  g.check = nullptr;
  g.Inject(g.guest, "A411");  // 4♣ in slot 1
  g.Inject(g.guest, "J11");
  EXPECT_FALSE(g.guest.hand.linked());
  EXPECT_EQ(g.guest.out.closes, 1);
  EXPECT_EQ(g.guest.hand.panel(), net::kTextDealBroken);
}

// A hand the game against the computer scored: where it started and how it ended.
struct ScoredHand {
  int player_before = 0;
  int computer_before = 0;
  std::array<std::string, 4> results{};
  int stake = 1;
  bool player_won = false;
  int gain = 0;
};

class HandRecorder : public GameObserver {
 public:
  void OnTrick(const GameState& s, int trick) override {
    if (trick == 3 && s.trick_result[1] == kEmpate && s.trick_result[2] == kEmpate &&
        s.trick_result[3] == kEmpate) {
      hands.push_back({s.player_points, s.computer_points, s.trick_result, s.hand_stake, false, 0});
    }
  }
  void OnPoints(const GameState& s, truco::Side side, int before, PointsReason reason) override {
    if (reason != PointsReason::HandWon) return;
    const bool player = side == truco::Side::Player;
    const int after = player ? s.player_points : s.computer_points;
    hands.push_back({player ? before : s.player_points, player ? s.computer_points : before,
                     s.trick_result, s.hand_stake, player, after - before});
  }
  std::vector<ScoredHand> hands;
};

// The same hand between two people: the host in the player's seat, the guest in the computer's,
// the same points before, the same trick results and the same stake.
void ReplayNetworked(const ScoredHand& h) {
  SCOPED_TRACE(::testing::Message()
               << h.player_before << "x" << h.computer_before << " stake " << h.stake << " "
               << h.results[1] << "," << h.results[2] << "," << h.results[3]);
  Game12 g;
  net::NetworkedHand::ResumeState state;
  state.opponent_name = "ANA";
  state.points = {h.player_before, h.computer_before};
  state.hand_counter = 2;  // the host leads
  state.settings = g.host.s().settings;
  g.host.hand.SetResumeState(state);
  // Per trick a higher and a lower card (vira 4: the 5s are manilhas).
  const std::array<int, 4> high{0, kRei, 3, 1};
  const std::array<int, 4> low{0, kDama, 2, kValete};
  std::array<Card, 3> host_cards{};
  std::array<Card, 3> guest_cards{};
  for (int t = 1; t <= 3; ++t) {
    const std::string& r = h.results[static_cast<std::size_t>(t)];
    const bool host_high = r != kMicro;
    const bool guest_high = r == kMicro || r == kEmpate;
    host_cards[t - 1] = C(host_high ? high[t] : low[t], Suit::Clubs);
    guest_cards[t - 1] = C(guest_high ? high[t] : low[t], Suit::Spades);
  }
  g.Deal(guest_cards, host_cards);
  g.Open(true);
  g.host.hand.Answer(net::Question::Continue, true);
  g.Pump();
  ASSERT_EQ(g.host.hand.hands_dealt(), 1);
  // A hand of eleven is played by the side at 11.
  const char eleven = g.host.hand.eleven();
  if (eleven == 'S' || eleven == 'C') {
    g.SideOf(eleven).hand.Answer(net::Question::Eleven, true);
    g.Pump();
  }
  // The stake through calls, each answered by a raise until the last is accepted.
  if (eleven == ' ' && h.stake > 1) {
    g.host.game.BTrucarClick();
    g.Pump();
    while (g.host.hand.pending_call() != 0) {
      NetSide& answering = g.SideOf(g.host.hand.actor());
      answering.hand.AnswerTruco(g.host.hand.pending_call() < h.stake ? kAnswerRaise
                                                                      : kAnswerAccept);
      g.Pump();
    }
  }
  ASSERT_EQ(g.host.hand.stake(), h.stake);
  // The tricks, each side playing its card of the trick when its turn comes.
  for (int guard = 0; g.host.hand.hands_dealt() == 1 && guard < 6; ++guard) {
    const char actor = g.host.hand.actor();
    ASSERT_NE(actor, ' ');
    NetSide& side = g.SideOf(actor);
    for (int t = 1; t <= 3; ++t) {
      if (side.Card(static_cast<CardId>(kCartaJ1 + t - 1)).top == kPlayerHandTop) {
        side.game.CartaJClick(t - 1);
        break;
      }
    }
    g.Pump();
  }
  ASSERT_EQ(g.host.hand.hands_dealt(), 2);
  const int host_after = h.player_before + (h.player_won ? h.gain : 0);
  const int guest_after = h.computer_before + (!h.player_won ? h.gain : 0);
  const bool game_over = host_after >= 12 || guest_after >= 12;
  EXPECT_EQ(g.host.hand.points(Side::Host), game_over ? 0 : host_after);
  EXPECT_EQ(g.host.hand.points(Side::Guest), game_over ? 0 : guest_after);
  EXPECT_EQ(g.host.hand.games(Side::Host), game_over && host_after >= 12 ? 1 : 0);
  EXPECT_EQ(g.host.hand.games(Side::Guest), game_over && guest_after >= 12 ? 1 : 0);
}

TEST(WholeGame, ScoresTheHandsOfAGameAgainstTheComputerTheSameWay) {
  // Hands played at random against the computer, with calls, raises, hands of eleven and ties.
  const std::uint64_t seed = 20261207;
  RandomRun run(seed);
  HandRecorder recorder;
  run.game.set_observer(&recorder);
  run.game.BInicioClick();
  for (int step = 0; recorder.hands.size() < 3000 && step < 1000000; ++step) run.Step(true);
  ASSERT_EQ(recorder.hands.size(), 3000u);
  std::set<int> stakes;
  int elevens = 0;
  int game_ends = 0;
  for (const ScoredHand& h : recorder.hands) {
    stakes.insert(h.stake);
    elevens += h.player_before == 11 || h.computer_before == 11 ? 1 : 0;
    game_ends += std::max(h.player_before, h.computer_before) + h.gain >= 12 ? 1 : 0;
    ReplayNetworked(h);
    if (HasFailure()) break;
  }
  // Every stake of the ladder, hands of eleven and hands that end a game were among them.
  EXPECT_EQ(stakes, (std::set<int>{1, 3, 6, 9, 12}));
  EXPECT_GT(elevens, 0);
  EXPECT_GT(game_ends, 0);
}

}  // namespace
}  // namespace truco::testing

namespace truco::testing {
namespace {

// The host's name, greeting, settings and first deal all reach the guest before its own start
// (one burst while it waits to connect): the guest is never asked about a restart, and its
// table shows the dealt hand under the host's name.
TEST(WholeGame, AGuestWhoseDealCameInOneBurstStartsWithoutARestartQuestion) {
  Game12 g;
  g.Deal(kWeakGuest, kStrongHost);
  g.host.s().hand_counter = 2;
  g.host.out.Send(net::Name{g.host.name});
  g.Pump();
  g.host.game.BInicioClick();
  g.Pump();
  ASSERT_EQ(g.guest.hand.hands_dealt(), 1);  // the deal came before the guest's start
  g.guest.screen.confirm.clear();            // any restart question fails the test
  g.guest.game.BInicioClick();
  g.Pump();
  for (const std::string& m : g.guest.screen.messages)
    EXPECT_EQ(m.find("reiniciar"), std::string::npos) << m;
  EXPECT_TRUE(g.guest.game.Online());
  EXPECT_EQ(g.guest.game.state().opponent_name, "HOSTE");
  EXPECT_EQ(g.guest.Card(kCartaJ1).card, kReiE);
  EXPECT_FALSE(g.guest.Card(kCartaJ1).face_down);
  g.ExpectAgree();
  // The game goes on from there.
  g.Plays(g.host, kAsC);
  EXPECT_EQ(g.guest.hand.actor(), 'C');
}

}  // namespace
}  // namespace truco::testing

namespace truco::testing {
namespace {

// Every card still in a side's hand lies at its own slot's place, face up, with its own face.
void ExpectHandInPlace(NetSide& side, const char* who) {
  const GameState& s = side.game.state();
  for (int i = 0; i < 3; ++i) {
    const auto id = static_cast<CardId>(kCartaJ1 + i);
    if (!s.InHand(id)) continue;
    SCOPED_TRACE(::testing::Message() << who << " slot " << i + 1);
    EXPECT_EQ(s.cards[id].left, kHandLefts[static_cast<std::size_t>(i)]);
    EXPECT_EQ(s.cards[id].top, kPlayerHandTop);
    EXPECT_FALSE(s.cards[id].face_down);
    EXPECT_EQ(s.cards[id].card, side.hand.own_card(i + 1));
  }
}

// A player who played slot 1 face up and led slot 2 face down finds slot 3 in its own place once
// the cut hand goes on, and plays it by a click on it.
TEST(WholeGame, AResumedHandKeepsTheCardsLeftInTheirPlaces) {
  for (const bool host_plays : {true, false}) {
    SCOPED_TRACE(host_plays ? "host" : "guest");
    Game12 g;
    if (host_plays) {
      g.Deal(kWeakGuest, kStrongHost);
    } else {
      g.Deal(kStrongHost, kWeakGuest);
    }
    g.Open(host_plays);
    NetSide& player = host_plays ? g.host : g.guest;
    NetSide& other = host_plays ? g.guest : g.host;
    player.game.CartaJClick(0);
    g.Pump();
    other.game.CartaJClick(0);
    g.Pump();
    ASSERT_EQ(g.host.hand.actor(), host_plays ? 'S' : 'C');
    player.game.BEsconderClick();
    player.game.CartaJClick(1);
    g.Pump();
    ExpectHandInPlace(player, "before the cut");
    g.up = false;
    g.check = nullptr;
    g.host.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    g.guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    g.up = true;
    g.to_host.clear();
    g.to_guest.clear();
    g.host.hand.Prepare(Side::Host, "HOSTE");
    g.guest.hand.Prepare(Side::Guest, "ANA");
    g.Open(true);
    ASSERT_FALSE(g.host.out.questions.empty());
    g.host.hand.Answer(net::Question::Continue, true);
    g.Pump();
    g.ExpectAgree();
    ExpectHandInPlace(player, "after the cut");
    ExpectHandInPlace(other, "the other, after the cut");
  }
}

}  // namespace
}  // namespace truco::testing
