#pragma once
// Random four-seat play through the game in pairs, checking after every event the rules as they
// are written out here (not as the engine computes them): every card dealt once, who takes each
// trick, who leads the next, how the hand is decided, the points by the ladder, 12 ends the game.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <set>

#include "engine/duplas.h"
#include "tests/engine/seeded_random.h"

namespace truco::duplas::testing {

// Who takes a complete trick: the highest strength; highest cards of both teams tie it.
// Returns the seat, or kNoSeat for a tie.
inline int ExpectedTaker(const DuplasState& s, const Trick& t) {
  int best = -100;
  for (int i = 0; i < t.count; ++i)
    best = std::max(best, s.StrengthOf(t.cards[static_cast<std::size_t>(i)]));
  if (best < 0) return kNoSeat;  // only hidden cards
  std::set<int> teams;
  int first = kNoSeat;
  for (int i = 0; i < t.count; ++i) {
    const PlayedCard& p = t.cards[static_cast<std::size_t>(i)];
    if (s.StrengthOf(p) != best) continue;
    teams.insert(TeamOf(p.seat));
    if (first == kNoSeat) first = p.seat;
  }
  return teams.size() > 1 ? kNoSeat : first;
}

// The hand's winner after `n` tricks with these takers (team, or -1 tied): 0/1, 2 not decided,
// 3 all tied (dealt again). Two tricks win; a tied first trick goes to the next trick's winner;
// a later tie goes to the first trick's winner.
inline int ExpectedHandWinner(const std::array<int, 4>& team_of_trick, int n) {
  const int t1 = team_of_trick[1], t2 = team_of_trick[2], t3 = team_of_trick[3];
  if (n < 2) return 2;
  if (t1 == -1) {
    if (t2 != -1) return t2;
    if (n < 3) return 2;
    return t3 != -1 ? t3 : 3;
  }
  if (t2 == t1 || t2 == -1) return t1;
  if (n < 3) return 2;
  return t3 == -1 ? t1 : t3;
}

struct DuplasChecker : DuplasObserver {
  long deals = 0, tricks = 0, games = 0, redeals = 0, points_events = 0, runs_refused = 0;
  std::array<long, 5>
      decision_cases{};  // two straight, first tied, later tie, third trick, all tied
  std::array<int, 4> takers{};
  int last_leader = kNoSeat;
  int hand_stake_max = 1;

  void OnDeal(const DuplasState& s) override {
    ++deals;
    std::set<int> seen;
    auto add = [&](Card c) {
      EXPECT_TRUE(std::count(DeckValues(s.settings.deck_type).begin(),
                             DeckValues(s.settings.deck_type).end(), c.Value) == 1);
      EXPECT_TRUE(seen.insert(c.Value * 4 + static_cast<int>(c.suit)).second) << "card dealt twice";
    };
    add(s.vira);
    for (const auto& h : s.hand)
      for (Card c : h) add(c);
    EXPECT_EQ(seen.size(), 13u);
    if (last_leader != kNoSeat) {
      EXPECT_EQ(s.hand_leader, NextSeat(last_leader));
    }
    last_leader = s.hand_leader;
    EXPECT_EQ(s.turn, s.hand_leader);
    EXPECT_EQ(s.stake, 1);
    // 12 ended the last game: a new one starts from 0.
    EXPECT_LT(s.points[0], 12);
    EXPECT_LT(s.points[1], 12);
    takers = {-1, -1, -1, -1};
  }
  void OnTrick(const DuplasState& s, int trick) override {
    ++tricks;
    const Trick& t = s.tricks[static_cast<std::size_t>(trick)];
    ASSERT_EQ(t.count, kNumSeats);
    for (int i = 0; i < kNumSeats; ++i) {
      EXPECT_EQ(t.cards[static_cast<std::size_t>(i)].seat, (t.leader + i) % kNumSeats);
    }
    const int taker = ExpectedTaker(s, t);
    EXPECT_EQ(t.taker_seat, taker);
    takers[static_cast<std::size_t>(trick)] = taker == kNoSeat ? -1 : TeamOf(taker);
    const int w = ExpectedHandWinner(takers, trick);
    if (w == 2) {
      EXPECT_EQ(s.phase, Phase::Play);
      if (trick < 3) {
        // The next trick's leader: the taker, or after a tie the tied trick's leader.
        EXPECT_EQ(s.turn, taker == kNoSeat ? t.leader : taker);
      }
    }
    if (w != 2) {
      int kind = 4;  // all tied
      if (w != 3) {
        if (takers[1] == -1)
          kind = 1;
        else if (trick == 2)
          kind = takers[2] == takers[1] ? 0 : 2;
        else
          kind = takers[3] == -1 ? 2 : 3;
      }
      ++decision_cases[static_cast<std::size_t>(kind)];
      expected_winner = w;
    }
  }
  void OnRedeal(const DuplasState&) override {
    ++redeals;
    EXPECT_EQ(expected_winner, 3);
    expected_winner = 2;
  }
  void OnPoints(const DuplasState& s, int team, int before, PointsReason reason) override {
    ++points_events;
    const int after = s.points[static_cast<std::size_t>(team)];
    int amount = 0;
    switch (reason) {
      case PointsReason::HandWon:
        EXPECT_EQ(team, expected_winner);
        amount = s.stake;
        break;
      case PointsReason::Ran:
        amount = s.stake;
        break;
      case PointsReason::CallRefused:
        amount = Info(s.call_rung).run_value;
        break;
      case PointsReason::ElevenGivenUp:
        amount = 1;
        break;
    }
    expected_winner = 2;
    EXPECT_TRUE(amount == 1 || amount == 3 || amount == 6 || amount == 9 || amount == 12);
    if (s.eleven_team >= 0 && reason != PointsReason::ElevenGivenUp) {
      EXPECT_EQ(s.stake, 3);
    }
    if (s.iron_hand) {
      EXPECT_EQ(s.stake, 1);
    }
    EXPECT_EQ(after, std::min(before + amount, 12));
    EXPECT_LE(s.points[0], 12);
    EXPECT_LE(s.points[1], 12);
    EXPECT_FALSE(s.points[0] >= 12 && s.points[1] >= 12);
  }
  void OnGameEnd(const DuplasState& s, int winner) override {
    ++games;
    EXPECT_EQ(s.points[static_cast<std::size_t>(winner)], 12);
  }
  int expected_winner = 2;
};

using truco::testing::SeededDeals;

// Plays `hands` hands with random legal moves, random calls and answers.
struct DuplasRandomRun {
  explicit DuplasRandomRun(std::uint64_t seed) : random(seed * 31 + 7), rng(seed) {
    game.set_observer(&checker);
  }
  void Play(long hands) {
    while (checker.deals < hands && !::testing::Test::HasFatalFailure()) Step();
  }
  void Step() {
    const DuplasState& s = game.state();
    const Due due = game.NextDue();
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
    switch (due.kind) {
      case Due::Kind::Deal:
        if (s.hands % 50 == 0) {
          DuplasSettings st;
          st.deck_type = pick(2) ? kBaralhoSujo : kBaralhoLimpo;
          st.manilha_mode = pick(2) ? ManilhaMode::Nova : ManilhaMode::Velha;
          st.eleven_mode = pick(2);
          game.set_settings(st);
        }
        ASSERT_TRUE(game.Deal());
        for (int seat = 0; seat < kNumSeats; ++seat)
          game.ShowSign(seat, static_cast<Sign>(pick(6)));
        break;
      case Due::Kind::Eleven:
        EXPECT_FALSE(game.DecideEleven(OtherTeam(due.team), true));
        ASSERT_TRUE(game.DecideEleven(due.team, pick(4) != 0));
        break;
      case Due::Kind::Answer: {
        EXPECT_FALSE(game.Answer(s.call_team, CallAnswer::Accept));
        const auto a = static_cast<CallAnswer>(pick(3));
        if (!game.Answer(due.team, a)) {
          ASSERT_EQ(a, CallAnswer::Raise);
          ASSERT_TRUE(game.Answer(due.team, CallAnswer::Accept));
        }
        break;
      }
      case Due::Kind::Play: {
        const int seat = due.seat;
        EXPECT_FALSE(game.Play(NextSeat(seat), 0));
        const bool may = s.MayCallNow(seat);
        EXPECT_EQ(may, !s.CallsClosed() && s.stake < 12 &&
                           (s.stake == 1 || s.accepted_team == TeamOf(seat)));
        if (may && pick(8) == 0) {
          ASSERT_TRUE(game.Call(seat));
          break;
        }
        if (!may) {
          EXPECT_FALSE(game.Call(seat));
        }
        // Nobody runs in the mão de ferro, nor from the other team's hand of eleven.
        const bool may_run =
            !(s.points[0] == 11 && s.points[1] == 11) &&
            !(s.eleven_team >= 0 && s.eleven_team != TeamOf(seat));
        if (!may_run) {
          ++checker.runs_refused;
          EXPECT_FALSE(game.Run(seat));
        } else if (pick(200) == 0) {
          ASSERT_TRUE(game.Run(seat));
          break;
        }
        std::array<int, 3> slots{};
        int n = 0;
        for (int i = 0; i < 3; ++i) {
          if (s.in_hand[static_cast<std::size_t>(seat)][static_cast<std::size_t>(i)])
            slots[static_cast<std::size_t>(n++)] = i;
        }
        ASSERT_GT(n, 0);
        const int slot = slots[static_cast<std::size_t>(pick(n))];
        const bool hide = pick(6) == 0;
        const bool may_hide = s.trick >= 2 && !s.blind;
        if (hide && !may_hide) {
          EXPECT_FALSE(game.Play(seat, slot, true));
        }
        ASSERT_TRUE(game.Play(seat, slot, hide && may_hide));
        break;
      }
    }
  }

  SeededDeals random;
  DuplasGame game{random};
  DuplasChecker checker;
  std::mt19937_64 rng;
};

inline std::uint64_t TestSeed(const char* what) {
  const char* fixed = std::getenv("TRUCO_TEST_SEED");
  const std::uint64_t seed = fixed ? std::strtoull(fixed, nullptr, 10) : std::random_device{}();
  std::printf("%s: seed %llu (TRUCO_TEST_SEED replays it)\n", what,
              static_cast<unsigned long long>(seed));
  return seed;
}

}  // namespace truco::duplas::testing
