// Random whole networked games in memory, each side writing its own history. Afterwards every
// hand each side wrote holds the moves that side saw, in order (the other's face-down cards
// unknown), the two histories mirror each other, and the points, winners and games agree.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>

#include "store/history_recorder.h"
#include "store/history_stats.h"
#include "tests/net/whole_game.h"
#include "tests/test_seed.h"

namespace truco::testing {
namespace {

using history::MoveKind;
using history::Who;
using net::Side;

#ifdef TRUCO_SANITIZE
constexpr int kMatches = 10;
#else
constexpr int kMatches = 60;
#endif

struct Recorded {
  std::string path;
  history::HistoryDb db;
  std::unique_ptr<history::HistoryRecorder> recorder;
  std::vector<history::Move> expected;  // every move but trick results, as this seat saw it
};

class Match {
 public:
  Match(std::uint64_t seed, const std::string& dir, int n) : rng_(seed) {
    GameSettings settings;
    settings.deck_type = Pick(2) == 0 ? kBaralhoSujo : kBaralhoLimpo;
    settings.manilha_mode = Pick(3) == 0 ? ManilhaMode::Velha : ManilhaMode::Nova;
    settings.eleven_mode = Pick(2);
    duo_ = std::make_unique<Duo>(settings);
    for (int i = 0; i < 2; ++i) {
      Recorded& r = rec_[i];
      r.path = dir + "/h" + std::to_string(n) + "_" + std::to_string(i) + ".db";
      r.db.Open(r.path, 0);
      r.recorder = std::make_unique<history::HistoryRecorder>(r.db, [] { return 1; });
      (i == 0 ? duo_->host : duo_->guest).hand.set_history(r.recorder.get());
    }
    TopUp();
    duo_->Open(Pick(2) == 0);
  }

  void Play(int games) {
    int guard = 0;
    auto played = [this] {
      return duo_->host.hand.games(Side::Host) + duo_->host.hand.games(Side::Guest);
    };
    while (played() < games) {
      ASSERT_LT(++guard, 20000) << "the game does not move";
      Step();
    }
  }

  Recorded& rec(int i) { return rec_[i]; }
  NetSide& side(int i) { return i == 0 ? duo_->host : duo_->guest; }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  void TopUp() {
    while (duo_->host.random.Remaining() < 400) duo_->host.random.Push(Pick(1 << 20));
  }
  // A move seen by both: the actor's own, and the other's with `who` turned.
  void Both(char actor, MoveKind kind, std::uint8_t own_value, std::uint8_t other_value) {
    const int a = actor == 'S' ? 0 : 1;
    rec_[a].expected.push_back({kind, Who::Player, own_value});
    rec_[1 - a].expected.push_back({kind, Who::Opponent, other_value});
  }

  void Step() {
    TopUp();
    Duo& d = *duo_;
    const char actor = d.host.hand.actor();
    ASSERT_NE(actor, ' ') << "nobody may act";
    NetSide& side = d.SideOf(actor);
    net::NetworkedHand& hand = side.hand;
    if (hand.eleven() == actor && !hand.eleven_decided()) {
      const bool plays = Pick(4) != 0;
      Both(actor, MoveKind::Eleven, plays, plays);
      hand.Answer(net::Question::Eleven, plays);
    } else if (hand.pending_call() != 0) {
      const TrucoDialogRequest& ask = side.out.truco_asks.back();
      const int roll = Pick(10);
      if (roll < 2) {
        Both(actor, MoveKind::Answer, 'N', 'N');
        hand.AnswerTruco(kAnswerRun);
      } else if (roll < 5 && ask.raise_offered) {
        const auto stake = static_cast<std::uint8_t>(hand.pending_call() + 3);
        Both(actor, MoveKind::Answer, '+', '+');
        Both(actor, MoveKind::Call, stake, stake);
        hand.AnswerTruco(kAnswerRaise);
      } else {
        Both(actor, MoveKind::Answer, 'S', 'S');
        hand.AnswerTruco(kAnswerAccept);
      }
    } else {
      const GameState& s = side.game.state();
      if (s.BTrucar.enabled && Pick(6) == 0) {
        const auto stake = static_cast<std::uint8_t>(s.hand_stake == 1 ? 3 : s.hand_stake + 3);
        Both(actor, MoveKind::Call, stake, stake);
        side.game.BTrucarClick();
      } else if (s.BCorrer.enabled && Pick(30) == 0) {
        side.game.BCorrerClick();  // no move: running outside a call just ends the hand
      } else {
        bool hide = false;
        if (s.BEsconder.enabled && Pick(6) == 0) {
          side.game.BEsconderClick();
          hide = side.game.state().hide_armed;
        }
        std::vector<int> in_hand;
        for (int i = 0; i < 3; ++i) {
          if (s.InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
        }
        ASSERT_FALSE(in_hand.empty());
        hide = hide && in_hand.size() < 3;
        const int slot = in_hand[static_cast<std::size_t>(Pick(static_cast<int>(in_hand.size())))];
        const auto card = hand.own_card(slot + 1);
        ASSERT_TRUE(card.has_value());
        const std::uint8_t code = history::CardCode(*card);
        Both(actor, hide ? MoveKind::HiddenCard : MoveKind::Card, code, hide ? 0 : code);
        side.game.CartaJClick(slot);
      }
    }
    d.Pump();
  }

  std::mt19937_64 rng_;
  std::unique_ptr<Duo> duo_;
  std::array<Recorded, 2> rec_;
};

Who Turned(Who w) {
  return w == Who::Player ? Who::Opponent : Who::Player;
}

TEST(NetworkHistory, EachSideRecordsTheMovesItSawAndNothingOfTheOthersHiddenCards) {
  const std::uint64_t seed = TestSeed("network history");
  const auto dir = std::filesystem::temp_directory_path() /
                   ("truco_nethist_" + std::to_string(seed) + "_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::mt19937_64 seeds(seed);
  long hands_checked = 0;
  for (int n = 0; n < kMatches && !HasFailure(); ++n) {
    Match match(seeds(), dir.string(), n);
    const int games = 1 + n % 2;
    match.Play(games);
    std::array<std::vector<history::GameInfo>, 2> g;
    std::array<std::vector<history::Move>, 2> all;
    for (int i = 0; i < 2; ++i) {
      g[i] = match.rec(i).db.Games();
      std::reverse(g[i].begin(), g[i].end());  // newest first: back to the order played
      ASSERT_EQ(g[i].size(), static_cast<std::size_t>(games)) << "side " << i;
    }
    for (std::size_t k = 0; k < g[0].size(); ++k) {
      const history::GameInfo& host = g[0][k];
      const history::GameInfo& guest = g[1][k];
      EXPECT_EQ(host.kind, history::OpponentKind::Network);
      EXPECT_EQ(host.opponent, "ANA");
      EXPECT_EQ(guest.opponent, "HOSTE");
      EXPECT_EQ(host.path, "direta");
      EXPECT_EQ(host.level, "");
      ASSERT_NE(host.result, history::GameResult::Unfinished);
      EXPECT_NE(host.result, guest.result) << "one side won";
      EXPECT_EQ(host.result == history::GameResult::Won, host.player_score >= 12);
      EXPECT_EQ(host.player_score, guest.opponent_score);
      EXPECT_EQ(host.opponent_score, guest.player_score);
      const auto hh = match.rec(0).db.Hands(host.id);
      const auto gh = match.rec(1).db.Hands(guest.id);
      ASSERT_EQ(hh.size(), gh.size());
      ASSERT_EQ(host.hands, static_cast<int>(hh.size()));
      for (std::size_t h = 0; h < hh.size(); ++h) {
        const std::array<const history::HandRecord*, 2> both{&hh[h], &gh[h]};
        EXPECT_EQ(both[0]->winner < 0 ? -1 : 1 - both[0]->winner, both[1]->winner);
        EXPECT_EQ(both[0]->player_points, both[1]->opponent_points);
        EXPECT_EQ(both[0]->player_score, both[1]->opponent_score);
        EXPECT_EQ(both[0]->stake, both[1]->stake);
        ASSERT_EQ(both[0]->moves.size(), both[1]->moves.size());
        for (int i = 0; i < 2; ++i) {
          const history::HandRecord& mine = *both[static_cast<std::size_t>(i)];
          const history::HandRecord& theirs = *both[static_cast<std::size_t>(1 - i)];
          std::array<std::uint8_t, 3> shown{};
          for (std::size_t m = 0; m < mine.moves.size(); ++m) {
            const history::Move& a = mine.moves[m];
            const history::Move& b = theirs.moves[m];
            EXPECT_EQ(a.kind, b.kind);
            EXPECT_EQ(a.who,
                      a.kind == MoveKind::Trick && (a.value & 3) == 0 ? b.who : Turned(b.who));
            if (a.kind != MoveKind::Trick) all[static_cast<std::size_t>(i)].push_back(a);
            if (a.who == Who::Opponent &&
                (a.kind == MoveKind::Card || a.kind == MoveKind::HiddenCard)) {
              // Never a card of the other's this seat did not see face up.
              if (a.kind == MoveKind::HiddenCard) {
                EXPECT_EQ(a.value, 0);
              }
              if (a.kind == MoveKind::Card) {
                EXPECT_EQ(a.value, b.value);
                for (std::size_t s = 0; s < 3; ++s) {
                  if (theirs.player_cards[s] == a.value) shown[s] = a.value;
                }
              }
            }
            if (a.who == Who::Player &&
                (a.kind == MoveKind::Card || a.kind == MoveKind::HiddenCard)) {
              EXPECT_NE(std::find(mine.player_cards.begin(), mine.player_cards.end(), a.value),
                        mine.player_cards.end());
            }
          }
          EXPECT_EQ(mine.opponent_cards, shown) << "only the other's cards shown face up";
          EXPECT_EQ(mine.vira, theirs.vira);
        }
        ++hands_checked;
      }
    }
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(all[static_cast<std::size_t>(i)], match.rec(i).expected) << "side " << i;
    }
  }
  std::filesystem::remove_all(dir);
  std::cout << hands_checked << " hands checked\n";
  EXPECT_GT(hands_checked, kMatches);
}

// A jointly dealt game voided by a cheat after some hands: its history marks it voided, and the
// statistics count neither it nor its hands.
TEST(NetworkHistory, AGameVoidedByACheatIsMarkedAndLeftOutOfTheStatistics) {
  const std::string dir = ::testing::TempDir() + "/voided_history";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  history::HistoryDb db;
  db.Open(dir + "/h.db", 0);
  history::HistoryRecorder recorder(db, [] { return 1; });
  Duo d;
  d.host.hand.set_max_version(net::kJointDealVersion);
  d.guest.hand.set_max_version(net::kJointDealVersion);
  d.host.hand.set_history(&recorder);
  d.Open(true);
  ASSERT_TRUE(d.host.hand.joint());
  // Plain play: every answer yes, the first card in hand, until two hands are written.
  for (int guard = 0; guard < 400 && recorder.hands_written() < 2; ++guard) {
    const char actor = d.host.hand.actor();
    if (actor == ' ') {
      d.Pump();
      continue;
    }
    NetSide& side = d.SideOf(actor);
    if (side.hand.eleven() == actor && !side.hand.eleven_decided()) {
      side.hand.Answer(net::Question::Eleven, true);
    } else if (side.hand.pending_call() != 0) {
      side.hand.AnswerTruco(kAnswerAccept);
    } else {
      side.PlayFirstInHand();
    }
    d.Pump();
  }
  ASSERT_GE(recorder.hands_written(), 2);
  ASSERT_EQ(d.host.hand.games(Side::Host) + d.host.hand.games(Side::Guest), 0);
  d.Inject(d.host, "S4");  // the guest caught the host
  ASSERT_TRUE(d.host.hand.cheat_found());
  const auto games = db.Games();
  ASSERT_EQ(games.size(), 1u);
  EXPECT_TRUE(games[0].voided);
  const history::Stats stats = history::ComputeStats(db, {}, history::Period::All, 1);
  EXPECT_EQ(stats.games, 0);
  EXPECT_EQ(stats.hands, 0);
  // The mark is kept in the file.
  db.Close();
  history::HistoryDb again;
  again.Open(dir + "/h.db", 0);
  ASSERT_EQ(again.Games().size(), 1u);
  EXPECT_TRUE(again.Games()[0].voided);
}

}  // namespace
}  // namespace truco::testing
