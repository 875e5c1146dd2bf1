// Ten thousand whole networked games between two sides wired in memory, with random plays,
// hidden cards, calls, raises, runs, hands of eleven, restarts and stray messages thrown in
// between. After every exchange both sides show the same table, and every change of points is
// checked against its rule, written out here apart from the code under test.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>

#include "tests/net/whole_game.h"
#include "tests/test_seed.h"

namespace truco::testing {
namespace {

using net::Side;

// What the caller of a rung wins when the other side runs: the stake before the call.
int RunValue(int called_stake) {
  switch (called_stake) {
    case 3:
      return 1;
    case 6:
      return 3;
    case 9:
      return 6;
    case 12:
      return 9;
    default:
      ADD_FAILURE() << "no such call " << called_stake;
      return 0;
  }
}

// Who took the hand from its trick results ("S", "C", "E"; "" not played): "S", "C", "E" for
// all three tied, "" while it goes on. A tie counts for both unless the first trick tied; a tied
// third goes to the first trick's winner.
std::string Winner(const std::array<std::string, 4>& r) {
  int s = 0;
  int c = 0;
  for (int t = 1; t <= 3; ++t) {
    const std::string& x = r[static_cast<std::size_t>(t)];
    if (x.empty()) return "";
    if (x == "S") ++s;
    if (x == "C") ++c;
    if (x == "E") {
      if (t == 1 || (t == 2 && r[1] != "E")) {
        ++s;
        ++c;
      } else if (t == 3 && r[1] == "S") {
        ++s;
      } else if (t == 3 && r[1] == "C") {
        ++c;
      }
    }
    if (t >= 2 && s >= 2 && c < 2) return "S";
    if (t >= 2 && c >= 2 && s < 2) return "C";
  }
  return "E";
}

struct Stats {
  int games = 0;
  int hands = 0;
  int calls = 0;
  int raises = 0;
  int runs = 0;
  int hidden = 0;
  int elevens = 0;
  int dark = 0;
  int restarts = 0;
  int injected = 0;
  // Connections cut and resumed, by the moment of the cut.
  int cut_in_trick = 0;
  int cut_call_waiting = 0;
  int cut_eleven_deciding = 0;
  int cut_between_hands = 0;
};

class RandomMatch {
 public:
  RandomMatch(std::uint64_t seed, Stats& stats) : rng_(seed), stats_(stats) {
    GameSettings settings;
    settings.deck_type = Chance(2) ? kBaralhoSujo : kBaralhoLimpo;
    settings.manilha_mode = Chance(3) ? ManilhaMode::Velha : ManilhaMode::Nova;
    settings.eleven_mode = Chance(2) ? 1 : 0;
    duo_ = std::make_unique<Duo>(settings);
    TopUp();
    duo_->Open(Chance(2));
    duo_->check = [this] { Check(); };
    // After every message, each side shows only what its seat may see.
    duo_->each = [this](NetSide&) {
      CheckSeats();
      // Now and then the line drops right here: whatever is in flight is lost.
      if (cut_armed_ && !cut_ && Chance(60)) Cut();
    };
    Check();
  }

  // Plays until `games` games have ended on this connection.
  void Play(int games) {
    int guard = 0;
    while (duo_->host.hand.games(Side::Host) + duo_->host.hand.games(Side::Guest) <
           games_base_ + games) {
      ASSERT_LT(++guard, 20000) << "the game does not move";
      Step();
      if (::testing::Test::HasFailure()) return;
    }
    stats_.games += games;
  }

 private:
  int Chance(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_) == 0; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  void TopUp() {
    while (duo_->host.random.Remaining() < 400) duo_->host.random.Push(Pick(1 << 20));
  }

  void Step() {
    TopUp();
    Duo& d = *duo_;
    const char actor = d.host.hand.actor();
    ASSERT_NE(actor, ' ') << "nobody may act";
    NetSide& side = d.SideOf(actor);
    net::NetworkedHand& hand = side.hand;
    before_ = ViewOf(d.host);
    const int hands_before = d.host.hand.hands_dealt();
    sent_before_ = d.host.out.sent.size();
    expect_ = Await::None;

    if (Chance(40)) Inject(side);
    if (Chance(700)) {
      ++stats_.restarts;
      d.SideOf(Chance(2) ? 'S' : 'C').hand.RestartGame();
      d.Pump();
      ExpectRestart();
      return;
    }

    const char eleven = hand.eleven();
    if (eleven == actor && !hand.eleven_decided()) {
      ++stats_.elevens;
      const bool plays = !Chance(4);
      if (!plays) ExpectWin(Other(actor), 1);
      hand.Answer(net::Question::Eleven, plays);
    } else if (hand.pending_call() != 0) {
      const TrucoDialogRequest& ask = side.out.truco_asks.back();
      const int roll = Pick(10);
      if (roll < 2) {
        ++stats_.runs;
        ExpectWin(Other(actor), RunValue(hand.pending_call()));
        hand.AnswerTruco(kAnswerRun);
      } else if (roll < 5 && ask.raise_offered) {
        ++stats_.raises;
        hand.AnswerTruco(kAnswerRaise);
      } else {
        hand.AnswerTruco(kAnswerAccept);
      }
    } else {
      const GameState& s = side.game.state();
      if (s.BTrucar.enabled && Chance(6)) {
        ++stats_.calls;
        side.game.BTrucarClick();
      } else if (s.BCorrer.enabled && Chance(30)) {
        ++stats_.runs;
        ExpectWin(Other(actor), before_.stake);
        side.game.BCorrerClick();
      } else {
        if (s.BEsconder.enabled && Chance(6)) {
          ++stats_.hidden;
          side.game.BEsconderClick();
        }
        std::vector<int> in_hand;
        for (int i = 0; i < 3; ++i) {
          if (s.InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
        }
        ASSERT_FALSE(in_hand.empty());
        if (side.Card(static_cast<CardId>(kCartaJ1 + in_hand[0])).face_down) ++stats_.dark;
        expect_ = Await::Trick;
        side.game.CartaJClick(
            in_hand[static_cast<std::size_t>(Pick(static_cast<int>(in_hand.size())))]);
      }
    }
    cut_armed_ = true;
    d.Pump();
    cut_armed_ = false;
    if (cut_) {
      Resume();
      return;
    }
    CheckPoints(hands_before);
  }

  void Cut() {
    Duo& d = *duo_;
    cut_ = true;
    truth_ = d.host.hand.table();
    mid_hand_ = !d.host.hand.hand_finished();
    cut_view_ = ViewOf(d.host);
    if (!mid_hand_) {
      ++stats_.cut_between_hands;
    } else if (truth_.pending_stake != 0) {
      ++stats_.cut_call_waiting;
    } else if ((truth_.eleven == 'S' || truth_.eleven == 'C') && !truth_.eleven_decided) {
      ++stats_.cut_eleven_deciding;
    } else {
      ++stats_.cut_in_trick;
    }
    d.up = false;
    d.to_host.clear();
    d.to_guest.clear();
  }

  // Both come back on a new connection and say yes to "Continuar a partida?".
  void Resume() {
    Duo& d = *duo_;
    cut_ = false;
    d.check = nullptr;
    d.host.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    d.guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    ASSERT_TRUE(d.host.hand.resume_state().has_value());
    d.up = true;
    if (mid_hand_) {
      book_.Reconnect(d.host.hand.hands_dealt());
    } else {
      book_.Reset();
    }
    d.host.hand.Prepare(Side::Host, d.host.name);
    d.guest.hand.Prepare(Side::Guest, d.guest.name);
    for (NetSide* side : {&d.host, &d.guest}) {
      side->screen.kinds.push_back({true, GameKind::EmRede, side->name});
    }
    const std::size_t questions = d.host.out.questions.size();
    d.host.out.Send(net::Name{d.host.name});
    d.Pump();
    d.host.game.BInicioClick();
    d.Pump();
    d.guest.game.BInicioClick();
    d.Pump();
    ASSERT_EQ(d.host.out.questions.size(), questions + 1);
    ASSERT_EQ(d.host.out.questions.back().first, net::Question::Continue);
    d.host.hand.Answer(net::Question::Continue, true);
    d.Pump();
    d.check = [this] { Check(); };
    Check();
    const SharedView after = ViewOf(d.host);
    EXPECT_EQ(after.host_points, cut_view_.host_points);
    EXPECT_EQ(after.guest_points, cut_view_.guest_points);
    EXPECT_EQ(after.host_games, cut_view_.host_games);
    EXPECT_EQ(after.guest_games, cut_view_.guest_games);
    if (mid_hand_) {
      // The same hand: both hands, the table, the stake, a call waiting, whose turn.
      EXPECT_EQ(d.host.hand.table(), truth_);
      EXPECT_EQ(after, cut_view_);
      EXPECT_EQ(d.guest.hand.table().cards[net::kGuestSeat], truth_.cards[net::kGuestSeat]);
      EXPECT_EQ(d.guest.hand.actor(), d.host.hand.actor());
    }
  }

  static char Other(char letter) { return letter == 'S' ? 'C' : 'S'; }

  void ExpectWin(char winner, int amount) {
    expect_ = Await::Points;
    winner_ = winner;
    amount_ = amount;
  }

  // Lines the peer may not send now: the actor's peer may not act, and the kinds below are
  // either unknown, malformed, or out of turn. A new deal and a restart are always the peer's
  // right, so they are not thrown in.
  void Inject(NetSide& actor_side) {
    static const std::vector<std::string> kLines = {
        "J11",   "J23",  "E12",    "E33", "T3",      "T6",    "T12", "K3", "K12", "U1",
        "U0",    "O",    "R1S",    "R2E", "PC",      "PS",    "C",   "C1", "A1",  "A4",
        "V1311", "I411", "NOUTRO", "H2",  "H9",      "G210",  "B1",  "X",  "",    "J",
        "T4",    "K",    "Z1",     "D",   "DS1,2,3", "Mchat", "A3",  "F1"};
    ++stats_.injected;
    std::string line = kLines[static_cast<std::size_t>(Pick(static_cast<int>(kLines.size())))];
    if (Chance(4)) {
      // Random bytes of the protocol's alphabet (never a lone kind letter of a deal or restart).
      const std::string alphabet = "HGERTKUOCNVAIPJMB0123456789SC,";
      line = std::string(
          1, alphabet[static_cast<std::size_t>(Pick(static_cast<int>(alphabet.size())))]);
      for (int n = Pick(6); n > 0; --n) {
        line += alphabet[static_cast<std::size_t>(Pick(static_cast<int>(alphabet.size())))];
      }
    }
    if (line == "F") return;
    duo_->Inject(actor_side, line);
  }

  void ExpectRestart() {
    const SharedView v = ViewOf(duo_->host);
    EXPECT_EQ(v.host_points, 0);
    EXPECT_EQ(v.guest_points, 0);
    EXPECT_EQ(v.host_games, before_.host_games);
    EXPECT_EQ(v.guest_games, before_.guest_games);
  }

  void CheckPoints(int hands_before) {
    Duo& d = *duo_;
    const SharedView after = ViewOf(d.host);
    const bool new_hand = d.host.hand.hands_dealt() != hands_before;
    int host = before_.host_points;
    int guest = before_.guest_points;
    int host_games = before_.host_games;
    int guest_games = before_.guest_games;
    if (expect_ == Await::Trick && new_hand) {
      // The play ended the hand: the results the host sent before its next deal decide it.
      std::array<std::string, 4> results = before_.result;
      for (std::size_t i = sent_before_; i < d.host.out.sent.size(); ++i) {
        const std::string& line = d.host.out.sent[i];
        if (line[0] == 'D') break;
        if (line[0] == 'R') results[static_cast<std::size_t>(line[1] - '0')] = line.substr(2);
      }
      const std::string w = Winner(results);
      ASSERT_NE(w, "") << "a hand ended undecided";
      if (w != "E") {
        winner_ = w[0];
        amount_ = before_.stake;
        expect_ = Await::Points;
      }
    }
    if (expect_ == Await::Points) {
      ++stats_.hands;
      ASSERT_TRUE(new_hand) << "points moved without a new hand";
      int& points = winner_ == 'S' ? host : guest;
      points = std::min(points + amount_, 12);
      if (points >= 12) {
        (winner_ == 'S' ? host_games : guest_games) += 1;
        host = guest = 0;
      }
    }
    EXPECT_EQ(after.host_points, host) << before_ << " -> " << after;
    EXPECT_EQ(after.guest_points, guest) << before_ << " -> " << after;
    EXPECT_EQ(after.host_games, host_games);
    EXPECT_EQ(after.guest_games, guest_games);
  }

  void CheckSeats() {
    Duo& d = *duo_;
    if (std::getenv("NET19_DEBUG") != nullptr && ::testing::Test::HasFailure() && !dumped_) {
      dumped_ = true;
      for (std::size_t i = d.wire.size() > 40 ? d.wire.size() - 40 : 0; i < d.wire.size(); ++i) {
        std::cout << d.wire[i] << "\n";
      }
    }
    book_.Note(d.host);
    book_.Note(d.guest);
    ExpectSeesOnly(d.host, book_);
    ExpectSeesOnly(d.guest, book_);
  }

  // After every exchange: both sides show the same, nobody sees a host card before its play.
  void Check() {
    // A cut line leaves the two sides apart until they resume.
    if (cut_) return;
    Duo& d = *duo_;
    d.ExpectAgree();
    CheckSeats();
    const SharedView v = ViewOf(d.host);
    // The stake, during a hand of eleven 3 (one side) or 1 (both), never a call there.
    const char eleven = d.host.hand.eleven();
    if (eleven == 'B') {
      EXPECT_EQ(v.stake, 1);
    }
    if ((eleven == 'S' || eleven == 'C') && d.host.hand.eleven_decided()) {
      EXPECT_EQ(v.stake, 3);
    }
    if (eleven != ' ') {
      EXPECT_FALSE(d.host.game.state().BTrucar.visible);
      EXPECT_FALSE(d.guest.game.state().BTrucar.visible);
    }
    for (int slot = 1; slot <= 3; ++slot) {
      if (d.guest.hand.opponent_card(slot)) {
        EXPECT_NE(d.guest.Card(static_cast<CardId>(kCartaM1 + slot - 1)).top, kComputerHandTop)
            << "the guest knows a host card still in hand";
      }
    }
    EXPECT_LE(v.host_points, 12);
    EXPECT_LE(v.guest_points, 12);
  }

  enum class Await : std::uint8_t { None, Points, Trick };

  std::mt19937_64 rng_;
  Stats& stats_;
  std::unique_ptr<Duo> duo_;
  DealBook book_;
  bool cut_armed_ = false;
  bool dumped_ = false;
  bool cut_ = false;
  bool mid_hand_ = false;
  net::HandState truth_;
  SharedView cut_view_;
  int games_base_ = 0;
  SharedView before_;
  Await expect_ = Await::None;
  char winner_ = ' ';
  int amount_ = 0;
  std::size_t sent_before_ = 0;
};

TEST(WholeGameRandom, TenThousandGamesBothSidesAgreeAndEveryPointFollowsItsRule) {
  const std::uint64_t seed = TestSeed("whole games");
  std::mt19937_64 seeds(seed);
  Stats stats;
  // A thousand connections of ten games each: game after game over the same connection.
  for (int match = 0; match < 1000 && !HasFailure(); ++match) {
    RandomMatch m(seeds(), stats);
    m.Play(10);
  }
  std::cout << stats.games << " games, " << stats.hands << " hands scored, " << stats.calls
            << " calls, " << stats.raises << " raises, " << stats.runs << " runs, " << stats.hidden
            << " hidden cards, " << stats.elevens << " eleven choices, " << stats.dark
            << " blind plays, " << stats.restarts << " restarts, " << stats.injected
            << " stray lines; cut and resumed: " << stats.cut_in_trick << " in a trick, "
            << stats.cut_call_waiting << " with a call waiting, " << stats.cut_eleven_deciding
            << " with a hand of 11 deciding, " << stats.cut_between_hands << " between hands\n";
  EXPECT_EQ(stats.games, 10000);
  // Every kind of event happened.
  EXPECT_GT(stats.raises, 0);
  EXPECT_GT(stats.hidden, 0);
  EXPECT_GT(stats.elevens, 0);
  EXPECT_GT(stats.dark, 0);
  EXPECT_GT(stats.cut_in_trick, 0);
  EXPECT_GT(stats.cut_call_waiting, 0);
  EXPECT_GT(stats.cut_eleven_deciding, 0);
  EXPECT_GT(stats.cut_between_hands, 0);
}

}  // namespace
}  // namespace truco::testing
