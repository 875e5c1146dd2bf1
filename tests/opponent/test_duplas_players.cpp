// The computer seats of the game in pairs: they decide from their seat's view alone, they play to
// their team, and a team of them beats chance.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

#include "opponent/duplas_players.h"
#include "tests/engine/duplas_random_play.h"
#include "tools/arena/duplas_match.h"

namespace truco::duplas {
namespace {

std::size_t U(int i) {
  return static_cast<std::size_t>(i);
}

#ifdef TRUCO_SANITIZED
constexpr int kSwapSteps = 1500;
#else
constexpr int kSwapSteps = 6000;
#endif

std::uint64_t Seed(const char* what) {
  const char* fixed = std::getenv("TRUCO_TEST_SEED");
  const std::uint64_t seed = fixed ? std::strtoull(fixed, nullptr, 10) : std::random_device{}();
  std::printf("%s: seed %llu (TRUCO_TEST_SEED replays it)\n", what,
              static_cast<unsigned long long>(seed));
  return seed;
}

// Every card this seat cannot see trades places at random with another such card: the other
// seats' cards in hand (the partner's only while they are not shown), the faces of hidden cards,
// the cards nobody was dealt, and the vira under "Manilha Velha" (it lies face down).
DuplasState SwapUnseen(const DuplasState& s, int seat, std::mt19937_64& rng) {
  DuplasState t = s;
  std::vector<Card*> places;
  const bool partner_shown = s.eleven_team == TeamOf(seat);
  for (int o = 0; o < kNumSeats; ++o) {
    if (o == seat && !s.blind) continue;
    if (o == PartnerOf(seat) && partner_shown) continue;
    for (int i = 0; i < kHandSize; ++i) {
      if (t.in_hand[U(o)][U(i)]) places.push_back(&t.hand[U(o)][U(i)]);
    }
  }
  for (Trick& tr : t.tricks) {
    for (int i = 0; i < tr.count; ++i) {
      if (tr.cards[U(i)].hidden) places.push_back(&tr.cards[U(i)].card);
    }
  }
  if (s.settings.manilha_mode == ManilhaMode::Velha) places.push_back(&t.vira);
  // The undealt cards.
  std::vector<Card> spare;
  auto dealt = [&](Card c) {
    if (c == s.vira) return true;
    for (const auto& h : s.hand) {
      if (std::find(h.begin(), h.end(), c) != h.end()) return true;
    }
    return false;
  };
  for (std::uint8_t v : DeckValues(s.settings.deck_type)) {
    for (int su = 0; su < kNumSuits; ++su) {
      const Card c{v, static_cast<Suit>(su)};
      if (!dealt(c)) spare.push_back(c);
    }
  }
  for (Card& c : spare) places.push_back(&c);
  std::vector<Card> faces;
  for (Card* p : places) faces.push_back(*p);
  std::shuffle(faces.begin(), faces.end(), rng);
  for (std::size_t i = 0; i < places.size(); ++i) *places[i] = faces[i];
  return t;
}

struct Decisions {
  int slot = -1;
  bool hidden = false;
  bool call = false;
  int answer = -1;
  int eleven = -1;
  Sign sign = Sign::None;
  friend bool operator==(const Decisions&, const Decisions&) = default;
};

Decisions Decide(DuplasPlayer& p, const DuplasState& s, const Due& due, int seat) {
  const DuplasView v = ViewOf(s, seat);
  Decisions d;
  switch (due.kind) {
    case Due::Kind::Play: {
      const CardChoice c = p.ChooseCard(v);
      d.slot = c.slot;
      d.hidden = c.hidden;
      d.call = v.may_call && p.WantsCall(v);
      if (!v.blind) d.sign = p.ChooseSign(v);
      break;
    }
    case Due::Kind::Answer:
      d.answer = static_cast<int>(p.Answer(v));
      break;
    case Due::Kind::Eleven:
      d.eleven = p.PlaysEleven(v) ? 1 : 0;
      break;
    case Due::Kind::Deal:
      break;
  }
  return d;
}

TEST(DuplasSeats, SwappingTheCardsASeatCannotSeeChangesNoDecision) {
  const std::uint64_t seed = Seed("duplas unseen cards");
  std::mt19937_64 rng(seed);
  // The game reseeds at every deal: from the seed, not the clock, so the seed replays a run.
  testing::SeededDeals chance(seed);
  DuplasSettings settings;
  DuplasGame game(chance, settings);
  DuplasRules rules;
  DuplasForte forte(seed, 24);
  DuplasRandom random_move(seed);
  std::array<DuplasPlayer*, kNumSeats> players{&rules, &random_move, &rules, &random_move};
  long checked = 0;
  for (int step = 0; step < kSwapSteps; ++step) {
    const Due due = game.NextDue();
    if (due.kind == Due::Kind::Deal) {
      if (game.state().hands % 7 == 0) {
        settings.manilha_mode = rng() % 2 ? ManilhaMode::Nova : ManilhaMode::Velha;
        settings.eleven_mode = static_cast<int>(rng() % 2);
        game.set_settings(settings);
      }
      // Some hands of eleven and mão de ferro.
      if (rng() % 6 == 0) game.mutable_state().points = {11, static_cast<int>(rng() % 12)};
      if (rng() % 6 == 0) game.mutable_state().points = {static_cast<int>(rng() % 12), 11};
      ASSERT_TRUE(game.Deal());
      for (int seat = 0; seat < kNumSeats; ++seat) {
        game.ShowSign(seat, rules.ChooseSign(ViewOf(game.state(), seat)));
      }
      continue;
    }
    const int seat = due.kind == Due::Kind::Play ? due.seat : DecidingSeat(game.state(), due.team);
    for (DuplasPlayer* p :
         {static_cast<DuplasPlayer*>(&rules), static_cast<DuplasPlayer*>(&forte)}) {
      const Decisions before = Decide(*p, game.state(), due, seat);
      for (int k = 0; k < 2; ++k) {
        const DuplasState swapped = SwapUnseen(game.state(), seat, rng);
        ASSERT_EQ(Decide(*p, swapped, due, seat), before) << "step " << step << " seat " << seat;
        ++checked;
      }
    }
    ASSERT_TRUE(StepComputer(game, players));
  }
  EXPECT_GT(checked, kSwapSteps * 2);
}

TEST(DuplasSeats, TheRulesPlayerNeverTakesATrickFromItsPartner) {
  const std::uint64_t seed = Seed("duplas partner");
  // The game reseeds at every deal: from the seed, not the clock, so the seed replays a run.
  testing::SeededDeals chance(seed);
  DuplasGame game(chance);
  DuplasRules rules;
  std::array<DuplasPlayer*, kNumSeats> players{&rules, &rules, &rules, &rules};
  long seen = 0;
  for (int step = 0; step < 200000; ++step) {
    const Due due = game.NextDue();
    if (due.kind == Due::Kind::Deal) {
      ASSERT_TRUE(game.Deal());
      continue;
    }
    const DuplasState& s = game.state();
    if (due.kind == Due::Kind::Play && s.tricks[U(s.trick)].count > 0) {
      const Trick& t = s.tricks[U(s.trick)];
      const int taker = TrickTaker(s, t);
      const DuplasView v = ViewOf(s, due.seat);
      if (taker == PartnerOf(due.seat) && !v.blind) {
        const CardChoice c = rules.ChooseCard(v);
        int best = -1;
        for (int i = 0; i < t.count; ++i) best = std::max(best, s.StrengthOf(t.cards[U(i)]));
        int weakest = 99;
        for (int i = 0; i < kHandSize; ++i) {
          if (v.own_in_hand[U(i)]) weakest = std::min(weakest, v.Strength(*v.own[U(i)]));
        }
        const int played = v.Strength(*v.own[U(c.slot)]);
        // Overtaking is allowed only when every card left would.
        EXPECT_TRUE(played <= best || weakest > best) << "step " << step;
        ++seen;
      }
    }
    ASSERT_TRUE(StepComputer(game, players));
  }
  EXPECT_GT(seen, 1000);
}

TEST(DuplasSeats, RulesTeamBeatsRandomAndForteBeatsRules) {
  const std::uint64_t seed = Seed("duplas teams");
  const arena::MatchResult r = arena::PlayDuplasMatch("rules", "random", 200, seed);
  EXPECT_EQ(r.stuck, 0);
  EXPECT_GE(arena::Wilson(r.side[0].games_won, r.games).high, 0.80);
  EXPECT_GT(r.side[0].games_won, r.games * 7 / 10);
  // "Forte" wins about 60 % of duplicate games against the rules team: over 200 games, more than
  // 43 % lies 4.8 binomial deviations under that (p < 1e-6); over 60, a bar this high would fail
  // about one run in a thousand.
  const arena::MatchResult f = arena::PlayDuplasMatch("forte", "rules", 200, seed);
  EXPECT_EQ(f.stuck, 0);
  EXPECT_GT(f.side[0].games_won, f.games * 43 / 100) << arena::FormatTable(f);
}

}  // namespace
}  // namespace truco::duplas
