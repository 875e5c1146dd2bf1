// The table of two or four seats, played at random through its actions and checked against the
// rules as they are written out here: who may move and how, who takes each trick and leads the
// next, the hand's winner, the points, who may run; a replica fed the same actions stays equal;
// what a seat sees never changes when the cards it may not see change.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "engine/table_observation.h"
#include "tests/engine/duplas_random_play.h"
#include "tests/engine/seeded_random.h"
#include "tests/test_seed.h"

namespace truco::table {
namespace {

using duplas::testing::ExpectedHandWinner;
using truco::testing::SeededDeals;

std::size_t U(int i) {
  return static_cast<std::size_t>(i);
}

// The taker of a complete trick: the highest strength, a tie when both teams hold it, else the
// first seat to play it; only hidden cards tie it too.
int ExpectedTaker(const TableState& s, const Trick& t) {
  int best = -100;
  for (int i = 0; i < t.count; ++i) best = std::max(best, s.StrengthOf(t.cards[U(i)]));
  if (best < 0) return kNoSeat;
  int first = kNoSeat;
  bool both = false;
  for (int i = 0; i < t.count; ++i) {
    const PlayedCard& p = t.cards[U(i)];
    if (s.StrengthOf(p) != best) continue;
    if (first == kNoSeat) first = p.seat;
    if (TeamOf(p.seat) != TeamOf(first)) both = true;
  }
  return both ? kNoSeat : first;
}

struct Counts {
  long hands = 0, games = 0, redeals = 0, iron_runs_refused = 0, eleven_runs_refused = 0,
       refusals = 0, observations = 0;
};

// Every card a seat may not see swapped for cards dealt to nobody: its observation must not move.
void ExpectUnseenCardsUnseen(const TableState& s, int seat, std::mt19937_64& rng) {
  std::vector<Card> spare;
  for (std::uint8_t v : DeckValues(s.settings.deck_type)) {
    for (int suit = 0; suit < kNumSuits; ++suit) {
      const Card c{v, static_cast<Suit>(suit)};
      bool dealt = c == s.vira;
      for (int o = 0; o < s.seats; ++o)
        for (Card h : s.hand[U(o)]) dealt = dealt || h == c;
      if (!dealt) spare.push_back(c);
    }
  }
  std::shuffle(spare.begin(), spare.end(), rng);
  TableState other = s;
  const int mate = PartnerOf(seat, s.seats);
  for (int o = 0; o < s.seats; ++o) {
    const bool seen = (o == seat && !s.blind) || (o == mate && s.eleven_team == TeamOf(seat));
    for (int i = 0; i < kHandSize; ++i) {
      if (!seen && s.in_hand[U(o)][U(i)] && !spare.empty()) {
        other.hand[U(o)][U(i)] = spare.back();
        spare.pop_back();
      }
    }
  }
  EXPECT_EQ(ObservationOf(s, seat), ObservationOf(other, seat)) << "seat " << seat;
}

// Random games at a table of `seats`, by legal actions and random malformed ones.
void PlayAtRandom(int seats, std::uint64_t seed, long hands, Counts& n) {
  SeededDeals random(seed * 17 + 3);
  Table table(random, seats);
  SeededDeals unused(0);
  Table replica(unused, seats);  // fed the same actions and the cards as dealt
  std::mt19937_64 rng(seed);
  auto pick = [&](int k) { return static_cast<int>(rng() % static_cast<std::uint64_t>(k)); };
  std::array<int, 4> takers{};
  while (n.hands < hands && !::testing::Test::HasFailure()) {
    const TableState& s = table.state();
    if (s.phase == Phase::Idle) {
      TableSettings st;
      st.deck_type = pick(2) ? kBaralhoSujo : kBaralhoLimpo;
      st.manilha_mode = pick(2) ? ManilhaMode::Nova : ManilhaMode::Velha;
      st.eleven_mode = pick(2);
      table.set_settings(st);
      replica.set_settings(st);
      const bool game_over = GameWinner(s.points[0], s.points[1]) != Taker::Nobody;
      const int leader = s.next_hand_leader;
      EXPECT_TRUE(table.Deal());
      EXPECT_EQ(replica.DealCards({s.vira, s.hand}), Verdict::Done);
      ++n.hands;
      takers = {-1, -1, -1, -1};
      EXPECT_EQ(s.turn, leader);
      if (game_over) {
        EXPECT_EQ(s.points, (std::array<int, 2>{0, 0}));
      }
      const bool iron = s.points[0] == 11 && s.points[1] == 11;
      EXPECT_EQ(s.iron_hand, iron);
      EXPECT_EQ(s.phase, !iron && (s.points[0] == 11 || s.points[1] == 11) ? Phase::ElevenDecision
                                                                           : Phase::Play);
    }
    // Who may move: the seat on turn, or every seat of the deciding team; nobody else.
    const Due due = table.NextDue();
    std::vector<std::vector<Action>> legal(U(seats));
    for (int seat = 0; seat < seats; ++seat) {
      legal[U(seat)] = table.LegalActions(seat);
      const bool due_here =
          due.kind == Due::Kind::Play ? seat == due.seat : TeamOf(seat) == due.team;
      EXPECT_EQ(!legal[U(seat)].empty(), due_here) << "seat " << seat;
      for (const Action& a : legal[U(seat)]) EXPECT_EQ(table.Check(a), Verdict::Done);
      if (pick(4) == 0) {
        ++n.observations;
        ExpectUnseenCardsUnseen(s, seat, rng);
      }
    }
    // Running, as the game of two has it: never at 11 against 11, nor from the other team's 11.
    if (due.kind == Due::Kind::Play) {
      const bool iron = s.points[0] == 11 && s.points[1] == 11;
      const bool their_eleven = s.eleven_team >= 0 && s.eleven_team != TeamOf(due.seat);
      EXPECT_EQ(s.MayRunNow(due.seat), !iron && !their_eleven);
      if (iron || their_eleven) {
        EXPECT_EQ(table.Apply(Action::RunFrom(due.seat)), Verdict::MayNotRun);
        ++(iron ? n.iron_runs_refused : n.eleven_runs_refused);
      }
    }
    // A malformed or untimely action, as a lying peer sends it: refused, nothing changed.
    const int seat = pick(seats + 2) - 1;
    const int team = pick(4) - 1;
    const Action candidates[] = {Action::PlayCard(seat, pick(5) - 1, pick(2) != 0),
                                 Action::CallNext(seat),
                                 Action::AnswerCall(team, static_cast<CallAnswer>(pick(3))),
                                 Action::RunFrom(seat), Action::DecideEleven(team, pick(2) != 0)};
    const Action junk = candidates[pick(5)];
    bool team_legal = false;
    for (const auto& list : legal) team_legal |= std::count(list.begin(), list.end(), junk) > 0;
    if (!team_legal) {
      const TableState before = s;
      EXPECT_NE(table.Apply(junk), Verdict::Done);
      EXPECT_EQ(table.state(), before);
      ++n.refusals;
    }
    // One legal move, by chance (calls and runs now and then, not all the time).
    const std::vector<Action>& moves = legal[U(due.kind == Due::Kind::Play ? due.seat
                                               : due.team == 0             ? 0
                                                                           : 1)];
    ASSERT_FALSE(moves.empty());
    Action a = moves[U(pick(static_cast<int>(moves.size())))];
    if ((a.kind == Action::Kind::Run || a.kind == Action::Kind::Call) && pick(6) != 0) {
      a = moves.front();
    }
    const int trick = s.trick;
    const std::array<int, 2> before = s.points;
    const int stake = s.stake;
    const Rung rung = s.call_rung;
    const int call_team = s.call_team;
    ASSERT_EQ(table.Apply(a), Verdict::Done);
    ASSERT_EQ(replica.Apply(a), Verdict::Done);
    EXPECT_EQ(replica.state(), table.state());

    // The rules of what just happened.
    int gainer = -1;
    for (int t = 0; t < 2; ++t) {
      if (s.points[U(t)] != before[U(t)]) {
        gainer = t;
      }
    }
    const Trick& done = s.tricks[U(trick)];
    if (a.kind == Action::Kind::Play && done.count == seats) {
      for (int i = 0; i < seats; ++i) EXPECT_EQ(done.cards[U(i)].seat, (done.leader + i) % seats);
      const int taker = ExpectedTaker(s, done);
      EXPECT_EQ(done.taker_seat, taker);
      takers[U(trick)] = taker == kNoSeat ? -1 : TeamOf(taker);
      const int w = ExpectedHandWinner(takers, trick);
      if (w == 2) {
        EXPECT_EQ(s.turn, taker == kNoSeat ? done.leader : taker);
      } else if (w == 3) {
        ++n.redeals;
        EXPECT_EQ(gainer, -1);
      } else {
        EXPECT_EQ(gainer, w);
        EXPECT_EQ(s.points[U(w)], std::min(before[U(w)] + stake, 12));
      }
    } else if (a.kind == Action::Kind::Run) {
      EXPECT_EQ(gainer, OtherTeam(TeamOf(a.seat)));
      EXPECT_EQ(s.points[U(gainer)], std::min(before[U(gainer)] + stake, 12));
    } else if (a.kind == Action::Kind::Answer && a.answer == CallAnswer::Run) {
      EXPECT_EQ(gainer, call_team);
      const int run_value = rung == Rung::Trucar ? 1
                            : rung == Rung::Seis ? 3
                            : rung == Rung::Nove ? 6
                                                 : 9;
      EXPECT_EQ(s.points[U(gainer)], std::min(before[U(gainer)] + run_value, 12));
    } else if (a.kind == Action::Kind::Answer) {
      const int accepted = rung == Rung::Trucar ? 3
                           : rung == Rung::Seis ? 6
                           : rung == Rung::Nove ? 9
                                                : 12;
      EXPECT_EQ(s.stake, accepted);
      EXPECT_EQ(s.accepted_team, a.team);
    } else if (a.kind == Action::Kind::Eleven) {
      const auto other = U(OtherTeam(a.team));
      if (a.plays) {
        EXPECT_EQ(s.stake, 3);
      } else {
        EXPECT_EQ(s.points[other], std::min(before[other] + 1, 12));
      }
    } else if (a.kind == Action::Kind::Call) {
      EXPECT_TRUE(stake == 1 || s.accepted_team == TeamOf(a.seat));
      EXPECT_EQ(s.eleven_team, kNoTeam);
      EXPECT_FALSE(s.iron_hand);
    }
    if (s.iron_hand && s.phase != Phase::Idle) {
      EXPECT_EQ(s.stake, 1);
    }
    if (GameWinner(s.points[0], s.points[1]) != Taker::Nobody) ++n.games;
  }
}

class TableRandomPlay : public ::testing::TestWithParam<int> {};

TEST_P(TableRandomPlay, EveryMoveKeepsTheRulesAndReplicasAgree) {
  const int seats = GetParam();
  Counts n;
  PlayAtRandom(seats, truco::testing::TestSeed("table random play"), 20000, n);
  ASSERT_FALSE(HasFailure());
  EXPECT_GT(n.games, 200);
  EXPECT_GT(n.redeals, 0);
  EXPECT_GT(n.iron_runs_refused, 0);
  EXPECT_GT(n.eleven_runs_refused, 0);
  EXPECT_GT(n.refusals, 10000);
  EXPECT_GT(n.observations, 10000);
}

INSTANTIATE_TEST_SUITE_P(TwoAndFourSeats, TableRandomPlay, ::testing::Values(2, 4));

TEST(TableDeal, CardsDealtElsewhereAreRefusedWhenTheyRepeatOrAreNotOfTheDeck) {
  SeededDeals random(1);
  Table table(random, 2);
  DealtCards cards;
  cards.vira = {4, Suit::Hearts};
  cards.hand[0] = {{{3, Suit::Spades}, {5, Suit::Clubs}, {7, Suit::Hearts}}};
  cards.hand[1] = {{{3, Suit::Hearts}, {6, Suit::Clubs}, {3, Suit::Spades}}};  // 3♠ twice
  EXPECT_EQ(table.DealCards(cards), Verdict::BadDeal);
  cards.hand[1][2] = {8, Suit::Spades};  // no 8 in the deck
  EXPECT_EQ(table.DealCards(cards), Verdict::BadDeal);
  cards.hand[1][2] = {2, Suit::Spades};
  EXPECT_EQ(table.state().phase, Phase::Idle);
  EXPECT_EQ(table.DealCards(cards), Verdict::Done);
  EXPECT_EQ(table.DealCards(cards), Verdict::NotDue);
  // Seat 0 leads; its 3♠ against the 3♥ ties the trick, and the leader of the tie leads again.
  ASSERT_TRUE(table.Play(0, 0));
  ASSERT_TRUE(table.Play(1, 0));
  EXPECT_EQ(table.state().tricks[1].result, Taker::Tie);
  EXPECT_EQ(table.state().turn, 0);
}

}  // namespace
}  // namespace truco::table
