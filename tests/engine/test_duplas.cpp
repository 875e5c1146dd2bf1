// The game in pairs: random four-seat play against the rules written out in duplas_random_play.h,
// and the scripted cases a random run cannot aim at (ties between and within teams, the hand of
// eleven in pairs, the mão de ferro).

#include <gtest/gtest.h>

#include "opponent/duplas_view.h"
#include "tests/engine/duplas_random_play.h"

namespace truco::duplas::testing {
namespace {

// Not scaled down under the sanitizers: a hand of three tied tricks comes about once in a few
// thousand, and fewer hands would miss it.
constexpr long kHands = 100000;

TEST(DuplasRandomPlay, EveryHandKeepsTheRulesAndEveryDecisionCaseOccurs) {
  DuplasRandomRun run(TestSeed("duplas random play"));
  run.Play(kHands);
  ASSERT_FALSE(HasFailure());
  EXPECT_GT(run.checker.games, kHands / 100);
  for (long n : run.checker.decision_cases) EXPECT_GT(n, 0);
  EXPECT_GT(run.checker.redeals, 0);
  EXPECT_GT(run.checker.runs_refused, 0);
}

Card C(int value, Suit suit) {
  return Card{static_cast<std::uint8_t>(value), suit};
}

// A deal with these hands (south, east, north, west) and vira, south leading.
struct Table {
  ClockRandom random;
  DuplasGame game{random};
  Table(std::array<std::array<Card, 3>, 4> hands, Card vira, std::array<int, 2> points = {}) {
    game.mutable_state().points = points;
    // The lead passes from west to south.
    game.mutable_state().hands = 0;
    while (true) {
      game.NewMatch();
      game.mutable_state().points = points;
      EXPECT_TRUE(game.Deal());
      if (game.state().hand_leader == kSouth) break;
    }
    DuplasState& s = game.mutable_state();
    s.hand = hands;
    s.vira = vira;
    s.manilha_value.fill(static_cast<std::uint8_t>(Proxima(kBaralhoSujo, vira.Value)));
  }
  void Trick(std::array<int, 4> slots) {
    for (int slot : slots) ASSERT_TRUE(game.Play(game.state().turn, slot));
  }
};

// Vira 4: the manilha is the 5.
const Card kVira4 = C(4, Suit::Hearts);

TEST(DuplasTricks, EqualHighestCardsOfBothTeamsTieAndTheLeaderLeadsAgain) {
  // South 3♠, east 3♥, north 6♣, west 7♦: the two threes tie.
  Table t({{{C(3, Suit::Spades), C(6, Suit::Spades), C(7, Suit::Spades)},
            {C(3, Suit::Hearts), C(6, Suit::Hearts), C(7, Suit::Hearts)},
            {C(6, Suit::Clubs), C(2, Suit::Clubs), C(kRei, Suit::Clubs)},
            {C(7, Suit::Diamonds), C(2, Suit::Diamonds), C(kRei, Suit::Diamonds)}}},
          kVira4);
  t.Trick({0, 0, 0, 0});
  EXPECT_EQ(t.game.state().tricks[1].result, Taker::Tie);
  EXPECT_EQ(t.game.state().turn, kSouth);
}

TEST(DuplasTricks, EqualHighestCardsOfOneTeamTakeItAndTheFirstOfThemLeads) {
  // East 2♥ and west 2♦ beat south 7♠ and north 6♣: the trick is theirs, east leads.
  Table t({{{C(7, Suit::Spades), C(6, Suit::Spades), C(4, Suit::Spades)},
            {C(2, Suit::Hearts), C(6, Suit::Hearts), C(7, Suit::Hearts)},
            {C(6, Suit::Clubs), C(3, Suit::Clubs), C(kRei, Suit::Clubs)},
            {C(2, Suit::Diamonds), C(3, Suit::Diamonds), C(kRei, Suit::Diamonds)}}},
          kVira4);
  t.Trick({0, 0, 0, 0});
  EXPECT_EQ(t.game.state().tricks[1].result, Taker::Theirs);
  EXPECT_EQ(t.game.state().tricks[1].taker_seat, kEast);
  EXPECT_EQ(t.game.state().turn, kEast);
  // A manilha (5♦) from north takes the second trick over east's 3♥... east leads 6♥.
  t.Trick({1, 1, 1, 1});  // east 6♥, north 3♣, west 3♦, south 6♠: north and west tie at 3
  EXPECT_EQ(t.game.state().tricks[2].result, Taker::Tie);
  // First trick theirs, second tied: the hand is theirs.
  EXPECT_EQ(t.game.state().points[1], 1);
  EXPECT_EQ(t.game.state().phase, Phase::Idle);
}

TEST(DuplasEleven, TheTeamAtElevenSeesThePartnersCardsAndPlaysForThree) {
  const std::array<std::array<Card, 3>, 4> hands{
      {{C(7, Suit::Spades), C(6, Suit::Spades), C(4, Suit::Spades)},
       {C(2, Suit::Hearts), C(6, Suit::Hearts), C(7, Suit::Hearts)},
       {C(6, Suit::Clubs), C(3, Suit::Clubs), C(kRei, Suit::Clubs)},
       {C(2, Suit::Diamonds), C(3, Suit::Diamonds), C(kRei, Suit::Diamonds)}}};
  for (int team = 0; team < 2; ++team) {
    std::array<int, 2> points{5, 5};
    points[static_cast<std::size_t>(team)] = 11;
    Table t(hands, kVira4, points);
    const DuplasState& s = t.game.state();
    ASSERT_EQ(s.phase, Phase::ElevenDecision);
    EXPECT_EQ(t.game.NextDue().team, team);
    for (int seat = 0; seat < kNumSeats; ++seat) {
      const DuplasView v = ViewOf(s, seat);
      const bool shown = TeamOf(seat) == team;
      EXPECT_EQ(v.partner[0].has_value(), shown) << "seat " << seat;
      if (shown) {
        EXPECT_EQ(*v.partner[1], hands[static_cast<std::size_t>(PartnerOf(seat))][1]);
      }
      EXPECT_TRUE(v.own[0].has_value());
    }
    EXPECT_FALSE(t.game.DecideEleven(OtherTeam(team), true));
    ASSERT_TRUE(t.game.DecideEleven(team, true));
    EXPECT_EQ(s.stake, 3);
    for (int seat = 0; seat < kNumSeats; ++seat) EXPECT_FALSE(s.MayCallNow(seat));
    EXPECT_FALSE(t.game.Call(s.turn));
  }
  // Giving up hands the others one point.
  Table t(hands, kVira4, {11, 4});
  ASSERT_TRUE(t.game.DecideEleven(0, false));
  EXPECT_EQ(t.game.state().points[1], 5);
  EXPECT_EQ(t.game.state().points[0], 11);
}

TEST(DuplasEleven, MaoDeFerroIsWorthOneWithoutCallsBlindOrOpenBySetting) {
  const std::array<std::array<Card, 3>, 4> hands{
      {{C(7, Suit::Spades), C(6, Suit::Spades), C(4, Suit::Spades)},
       {C(2, Suit::Hearts), C(6, Suit::Hearts), C(7, Suit::Hearts)},
       {C(6, Suit::Clubs), C(3, Suit::Clubs), C(kRei, Suit::Clubs)},
       {C(2, Suit::Diamonds), C(3, Suit::Diamonds), C(kRei, Suit::Diamonds)}}};
  for (int mode = 0; mode < 2; ++mode) {
    Table t(hands, kVira4, {11, 11});
    DuplasSettings st;
    st.eleven_mode = mode;
    t.game.set_settings(st);
    t.game.mutable_state().phase = Phase::Idle;
    t.game.NewMatch();
    t.game.mutable_state().points = {11, 11};
    ASSERT_TRUE(t.game.Deal());
    const DuplasState& s = t.game.state();
    EXPECT_EQ(s.phase, Phase::Play);
    EXPECT_TRUE(s.iron_hand);
    EXPECT_EQ(s.stake, 1);
    EXPECT_FALSE(t.game.Call(s.turn));
    for (int seat = 0; seat < kNumSeats; ++seat) {
      const DuplasView v = ViewOf(s, seat);
      EXPECT_EQ(v.own[0].has_value(), mode == 0);
      EXPECT_FALSE(v.partner[0].has_value());
    }
    // Nobody can hide a card they do not see.
    t.Trick({0, 0, 0, 0});
    if (s.phase == Phase::Play) {
      EXPECT_EQ(t.game.Play(s.turn, 1, true), mode == 0);
    }
  }
}

TEST(DuplasSigns, ASignReachesThePartnerAloneAndNotWhenSignsAreOff) {
  for (const bool on : {true, false}) {
    ClockRandom random;
    random.Seed(3);
    DuplasSettings st;
    st.signs = on;
    DuplasGame game(random, st);
    ASSERT_TRUE(game.Deal());
    for (int seat = 0; seat < kNumSeats; ++seat) {
      EXPECT_EQ(game.ShowSign(seat, static_cast<Sign>(2 + seat)), on);
    }
    for (int seat = 0; seat < kNumSeats; ++seat) {
      const Sign seen = ViewOf(game.state(), seat).partner_sign;
      EXPECT_EQ(seen, on ? static_cast<Sign>(2 + PartnerOf(seat)) : Sign::None);
    }
  }
}

TEST(DuplasBetting, OnlyTheAcceptingTeamRaisesAndRunningPaysTheLastStake) {
  ClockRandom random;
  random.Seed(7);
  DuplasGame game(random);
  ASSERT_TRUE(game.Deal());
  const int caller = game.state().turn;
  EXPECT_FALSE(game.Call(NextSeat(caller)));
  ASSERT_TRUE(game.Call(caller));
  EXPECT_FALSE(game.Answer(TeamOf(caller), CallAnswer::Accept));
  ASSERT_TRUE(game.Answer(OtherTeam(TeamOf(caller)), CallAnswer::Accept));
  EXPECT_EQ(game.state().stake, 3);
  // The caller's team may not raise its own accepted call; the caller plays on.
  EXPECT_FALSE(game.Call(caller));
  ASSERT_TRUE(game.Play(caller, 0));
  ASSERT_TRUE(game.Call(NextSeat(caller)));                     // the accepting team raises to 6
  ASSERT_TRUE(game.Answer(TeamOf(caller), CallAnswer::Raise));  // 6 accepted, 9 called back
  EXPECT_EQ(game.state().stake, 6);
  ASSERT_TRUE(game.Answer(OtherTeam(TeamOf(caller)), CallAnswer::Run));
  EXPECT_EQ(game.state().points[static_cast<std::size_t>(TeamOf(caller))], 6);
}

}  // namespace
}  // namespace truco::duplas::testing
