// The table replica of a whole networked game, alone: random moves, legal or not, made by either
// side and passed to the other as the wire would. The two replicas (each seeing only what its side
// sees) always agree with each other and with the engine's own table seeing every card: a move
// stands exactly when the table lists its action, and leaves the same table.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

#include "net/play/table_replica.h"
#include "tests/test_seed.h"

namespace truco::testing {
namespace {

using net::HandState;
using net::TableReplica;
using table::Phase;
using table::Verdict;

// What both sides may know of the table: everything but the faces of cards one side never sees.
auto Shared(const table::TableState& s) {
  std::vector<int> trick_cards;
  for (const table::Trick& t : s.tricks) {
    trick_cards.insert(trick_cards.end(), {t.count, t.leader, t.taker_seat, int(t.result)});
    for (int i = 0; i < t.count; ++i) {
      const table::PlayedCard& p = t.cards[static_cast<std::size_t>(i)];
      trick_cards.insert(trick_cards.end(),
                         {p.seat, p.hidden ? -1 : p.card.Value, p.hidden ? -1 : int(p.card.suit)});
    }
  }
  const bool pending = s.phase == Phase::CallPending;
  return std::make_tuple(s.phase, s.turn, s.trick, s.stake, s.accepted_team, s.call_team,
                         pending ? int(s.call_rung) : -1, s.eleven_team, s.iron_hand, s.blind,
                         s.points, s.games, s.in_hand, trick_cards);
}

enum class Move { Play, Call, Accept, Run, Eleven };

class NoDraws final : public RandomSource {
 public:
  void Reseed() override {}
  int Uniform(int /*bound*/) override { return 0; }
};

// The table action a wire move stands for, as the wire names it: a call by its stake, a run by
// what it runs from. Nothing when the stake named is not the next rung.
std::optional<table::Action> ActionOf(const table::TableState& s, char letter, Move move, int slot,
                                      bool flag, int stake) {
  using table::Action;
  const int seat = TableReplica::SeatOf(letter);
  const bool pending = s.phase == Phase::CallPending;
  switch (move) {
    case Move::Play:
      return Action::PlayCard(seat, slot, flag);
    case Move::Call: {
      const auto rung = pending ? NextRung(s.call_rung) : NextCall(s.stake);
      if (!rung || Info(*rung).stake != stake) return std::nullopt;
      return pending ? Action::AnswerCall(seat, CallAnswer::Raise) : Action::CallNext(seat);
    }
    case Move::Accept:
      if (!pending || Info(s.call_rung).stake != stake) return std::nullopt;
      return Action::AnswerCall(seat, CallAnswer::Accept);
    case Move::Run:
      if (pending) return Action::AnswerCall(seat, CallAnswer::Run);
      if (s.phase == Phase::ElevenDecision) return Action::DecideEleven(seat, false);
      return Action::RunFrom(seat);
    case Move::Eleven:
      return Action::DecideEleven(seat, flag);
  }
  return std::nullopt;
}

struct Sides {
  TableReplica host, guest, full;  // `full` sees both hands
  NoDraws no_draws;
  table::Table table{no_draws, 2};  // the engine's own, seeing both hands
  HandState dealt;                  // every card of the hand

  TableReplica& of(char letter) { return letter == 'S' ? host : guest; }

  void Deal(std::mt19937_64& rng, bool joint) {
    dealt = {};
    dealt.deck = rng() % 2 ? kBaralhoSujo : kBaralhoLimpo;
    dealt.mode = rng() % 4 ? ManilhaMode::Nova : ManilhaMode::Velha;
    dealt.eleven_mode = static_cast<int>(rng() % 2);
    std::vector<Card> deck;
    for (std::uint8_t v : DeckValues(dealt.deck)) {
      for (int suit = 0; suit < kNumSuits; ++suit) deck.push_back({v, static_cast<Suit>(suit)});
    }
    std::shuffle(deck.begin(), deck.end(), rng);
    for (std::size_t i = 0; i < 6; ++i) dealt.cards[i / 3][i % 3] = deck[i];
    dealt.vira = deck[6];
    const char lead = rng() % 2 ? 'S' : 'C';
    HandState host_view = dealt;
    HandState guest_view = dealt;
    guest_view.cards[0] = {};
    if (joint) host_view.cards[1] = {};
    ASSERT_EQ(full.Deal(dealt, lead), Verdict::Done);
    table.set_settings({.deck_type = dealt.deck,
                        .manilha_mode = dealt.mode,
                        .eleven_mode = dealt.eleven_mode,
                        .signs = false,
                        .hide_when_blind = true});
    table::DealtCards cards{.vira = *dealt.vira};
    for (std::size_t i = 0; i < 6; ++i) cards.hand[i / 3][i % 3] = *dealt.cards[i / 3][i % 3];
    ASSERT_EQ(table.DealCards(cards, {.leader = TableReplica::SeatOf(lead)}), Verdict::Done);
    ASSERT_EQ(host.Deal(host_view, lead), Verdict::Done);
    ASSERT_EQ(guest.Deal(guest_view, lead), Verdict::Done);
  }

  static Verdict Make(TableReplica& r, char letter, Move move, int slot, bool hide, int stake) {
    switch (move) {
      case Move::Play:
        return r.Play(letter, slot, hide);
      case Move::Call:
        return r.Call(letter, stake);
      case Move::Accept:
        return r.Accept(letter, stake);
      case Move::Run:
        return r.Run(letter);
      case Move::Eleven:
        return r.Eleven(letter, hide);
    }
    return Verdict::NotDue;
  }
};

TEST(TableReplica, BothSidesAgreeAndRefuseWhatTheFullTableRefuses) {
  std::mt19937_64 rng(TestSeed("replica moves"));
  int done = 0, refused = 0, hands = 0, ends = 0;
  for (int game = 0; game < 200; ++game) {
    Sides sides;
    const bool joint = game % 2 == 1;
    // Scores near the end reach the hand of eleven and the mão de ferro often.
    const std::array<int, 2> points{static_cast<int>(8 + rng() % 4),
                                    static_cast<int>(8 + rng() % 4)};
    for (TableReplica* r : {&sides.host, &sides.guest, &sides.full}) r->SetScore(points, {});
    sides.table.mutable_state().points = points;
    for (int step = 0; step < 400; ++step) {
      if (sides.full.state().phase == Phase::Idle) {
        ++hands;
        sides.Deal(rng, joint);
        if (::testing::Test::HasFatalFailure()) return;
      }
      const char letter = rng() % 2 ? 'S' : 'C';
      const char other = letter == 'S' ? 'C' : 'S';
      const auto move = static_cast<Move>(rng() % 5);
      const int slot = static_cast<int>(rng() % 4) - (rng() % 8 == 0 ? 1 : 0);
      const bool hide = rng() % 3 == 0;
      const int stake = std::array{1, 3, 4, 6, 9, 12}[rng() % 6];
      const Verdict own = Sides::Make(sides.of(letter), letter, move, slot, hide, stake);
      const Verdict full = Sides::Make(sides.full, letter, move, slot, hide, stake);
      ASSERT_EQ(own == Verdict::Done, full == Verdict::Done)
          << "step " << step << " move " << int(move) << " by " << letter;
      const auto action = ActionOf(sides.table.state(), letter, move, slot, hide, stake);
      const std::vector<table::Action> legal =
          sides.table.LegalActions(TableReplica::SeatOf(letter));
      const bool listed = action && std::find(legal.begin(), legal.end(), *action) != legal.end();
      ASSERT_EQ(full == Verdict::Done, listed)
          << "step " << step << " move " << int(move) << " by " << letter;
      if (listed) {
        ASSERT_EQ(sides.table.Apply(*action), Verdict::Done);
      }
      // The wire clears a won game's points with its last hand; the table, at the next deal.
      if (sides.table.state().phase == Phase::Idle &&
          GameWinner(sides.table.state().points[0], sides.table.state().points[1]) !=
              Taker::Nobody) {
        sides.table.mutable_state().points = {};
      }
      if (own != Verdict::Done) {
        ++refused;
        continue;
      }
      ++done;
      // A card played face up shows its face to the other side first ("A", or "Y" jointly).
      if (move == Move::Play && !hide) {
        const auto seat = static_cast<std::size_t>(TableReplica::SeatOf(letter));
        const auto i = static_cast<std::size_t>(slot);
        const bool unseen = sides.of(other).state().unseen[seat][i];
        EXPECT_EQ(sides.of(other).Show(letter, slot, *sides.dealt.cards[seat][i]) == Verdict::Done,
                  unseen);
      }
      ASSERT_EQ(Sides::Make(sides.of(other), letter, move, slot, hide, stake), Verdict::Done)
          << "step " << step << " move " << int(move) << " by " << letter;
      ASSERT_EQ(Shared(sides.host.state()), Shared(sides.full.state())) << "step " << step;
      ASSERT_EQ(Shared(sides.guest.state()), Shared(sides.full.state())) << "step " << step;
      ASSERT_EQ(Shared(sides.table.state()), Shared(sides.full.state())) << "step " << step;
      for (char side : {'S', 'C'}) {
        EXPECT_EQ(sides.of(side).actor(), sides.full.actor());
        EXPECT_EQ(sides.of(side).pending_stake(), sides.full.pending_stake());
        EXPECT_EQ(sides.of(side).CallableStake(side), sides.full.CallableStake(side));
        EXPECT_EQ(sides.of(side).MayRun(side), sides.full.MayRun(side));
      }
      if (sides.full.state().phase == Phase::Idle) {
        ++ends;
        ASSERT_TRUE(sides.full.hand_end().has_value());
        const auto& end = *sides.full.hand_end();
        for (const TableReplica* r : {&sides.host, &sides.guest}) {
          ASSERT_TRUE(r->hand_end().has_value());
          EXPECT_EQ(r->hand_end()->winner, end.winner);
          EXPECT_EQ(r->hand_end()->amount, end.amount);
          EXPECT_EQ(r->hand_end()->after, end.after);
        }
        // A won game's points go at once, as the next deal is sent from 0 to 0.
        if (end.game_over) {
          EXPECT_EQ(sides.full.points(), (std::array<int, 2>{}));
        }
      }
    }
  }
  // The moves reached every part of a hand.
  EXPECT_GT(done, 5000);
  EXPECT_GT(refused, 5000);
  EXPECT_GT(hands, 1000);
  EXPECT_GT(ends, 1000);
}

// A peer cannot show a card that is already in view, nor one outside the deck.
TEST(TableReplica, ShowRefusesACardInViewOrOutOfTheDeck) {
  TableReplica guest;
  HandState view;
  view.deck = kBaralhoSujo;
  view.cards[1] = {Card{1, Suit::Clubs}, Card{2, Suit::Clubs}, Card{3, Suit::Clubs}};
  view.vira = Card{4, Suit::Clubs};
  ASSERT_EQ(guest.Deal(view, 'S'), Verdict::Done);
  EXPECT_EQ(guest.CanPlay('S', 0, false), Verdict::NoSuchCard);              // not shown yet
  EXPECT_EQ(guest.Show('S', 0, Card{2, Suit::Clubs}), Verdict::BadDeal);     // the guest holds it
  EXPECT_EQ(guest.Show('S', 0, Card{4, Suit::Clubs}), Verdict::BadDeal);     // the vira
  EXPECT_EQ(guest.Show('S', 0, Card{8, Suit::Clubs}), Verdict::BadDeal);     // no 8 in this deck
  EXPECT_EQ(guest.Show('C', 0, Card{5, Suit::Clubs}), Verdict::NoSuchCard);  // seen already
  EXPECT_EQ(guest.Show('S', 0, Card{5, Suit::Clubs}), Verdict::Done);
  EXPECT_EQ(guest.Play('S', 0, false), Verdict::Done);
  EXPECT_EQ(guest.Show('S', 1, Card{5, Suit::Clubs}), Verdict::BadDeal);  // on the table
}

}  // namespace
}  // namespace truco::testing
