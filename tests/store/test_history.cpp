// The history database: random games recorded exactly as the game told them, the statistics of a
// small history counted by hand, and the faults a player's disk can have (damaged, unreadable,
// locked, newer, full, killed in the middle of a write).

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "store/history.h"
#include "store/history_csv.h"
#include "store/history_recorder.h"
#include "store/history_stats.h"
#include "tests/engine/random_play.h"
#include "tests/store/fsize_limit.h"

namespace truco::history {
namespace {

namespace fs = std::filesystem;

#ifdef TRUCO_SANITIZE_BUILD
constexpr long kRandomHands = 600;
#else
constexpr long kRandomHands = 3000;
#endif

std::uint64_t TestSeed() {
  if (const char* env = std::getenv("TRUCO_TEST_SEED")) return std::strtoull(env, nullptr, 10);
  const auto seed = static_cast<std::uint64_t>(std::random_device{}());
  std::printf("TRUCO_TEST_SEED=%llu\n", static_cast<unsigned long long>(seed));
  return seed;
}

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/truco-history-XXXXXX";
    path_ = ::mkdtemp(name);
  }
  ~TempFolder() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, ec);
    for (const auto& e : fs::directory_iterator(path_, ec)) {
      fs::permissions(e.path(), fs::perms::owner_all, ec);
    }
    fs::remove_all(path_, ec);
  }
  [[nodiscard]] std::string File(const std::string& name) const { return path_ + "/" + name; }
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

GameInfo MakeGame(std::int64_t started, OpponentKind kind, std::string level, std::string opponent,
                  std::string path) {
  GameInfo g;
  g.started = started;
  g.kind = kind;
  g.level = std::move(level);
  g.opponent = std::move(opponent);
  g.path = std::move(path);
  return g;
}

// What the game told its observer, kept hand by hand independently of the recorder.
class EventLog : public GameObserver {
 public:
  struct Hand {
    std::array<Card, 3> player{};
    std::array<Card, 3> computer{};
    std::vector<Move> moves;
    int player_gain = 0;
    int computer_gain = 0;
    int winner = -1;
    bool player_ran = false;
  };
  std::vector<Hand> finished;
  GameObserver* next = nullptr;

  void OnDeal(const GameState& s) override {
    if (next) next->OnDeal(s);
    if (open_) {
      int ties = 0;
      for (const Move& m : open_->moves) ties += m.kind == MoveKind::Trick && (m.value & 3) == 0;
      if (ties == 3) finished.push_back(*open_);
    }
    open_ = Hand{};
    for (int i = 0; i < 3; ++i) {
      open_->player[static_cast<std::size_t>(i)] = s.cards[static_cast<std::size_t>(i)].card;
      open_->computer[static_cast<std::size_t>(i)] = s.cards[static_cast<std::size_t>(i + 3)].card;
    }
  }
  void OnCard(const GameState& s, Side side, CardId id, bool hidden) override {
    if (next) next->OnCard(s, side, id, hidden);
    Push(hidden ? MoveKind::HiddenCard : MoveKind::Card, side, CardCode(s.cards[id].card));
  }
  void OnCall(const GameState&, Side side, int stake) override {
    Push(MoveKind::Call, side, stake);
  }
  void OnAnswer(const GameState&, Side side, char answer) override {
    Push(MoveKind::Answer, side, answer);
  }
  void OnEleven(const GameState&, Side side, bool plays) override {
    Push(MoveKind::Eleven, side, plays ? 1 : 0);
  }
  void OnTrick(const GameState& s, int trick) override {
    if (next) next->OnTrick(s, trick);
    const std::string& r = s.trick_result[static_cast<std::size_t>(trick)];
    const int code = r == kJogador ? 1 : r == kMicro ? 2 : 0;
    Push(MoveKind::Trick, code == 2 ? Side::Computer : Side::Player, trick * 4 + code);
  }
  void OnPoints(const GameState& s, Side side, int before, PointsReason reason) override {
    if (next) next->OnPoints(s, side, before, reason);
    if (reason == PointsReason::Restarted || reason == PointsReason::GameEnded) {
      open_.reset();
      return;
    }
    if (!open_) return;
    const int gain = (side == Side::Player ? s.player_points : s.computer_points) - before;
    (side == Side::Player ? open_->player_gain : open_->computer_gain) = gain;
    open_->winner = side == Side::Player ? 0 : 1;
    open_->player_ran = reason == PointsReason::PlayerRan;
    finished.push_back(*open_);
    open_.reset();
  }
  void OnGameEnd(const GameState& s, Side winner) override {
    if (next) next->OnGameEnd(s, winner);
    open_.reset();
  }

 private:
  void Push(MoveKind kind, Side side, int value) {
    if (open_) {
      open_->moves.push_back({kind, side == Side::Player ? Who::Player : Who::Opponent,
                              static_cast<std::uint8_t>(value)});
    }
  }
  std::optional<Hand> open_;
};

// Every hand of random games, with calls, runs, hidden cards and restarts, is in the database
// as the game told it: the cards dealt, every move in order, the points and the winner; and the
// scores add up to each game's final score.
TEST(History, RandomGamesAreRecordedAsTheGameToldThem) {
  const std::uint64_t seed = TestSeed();
  TempFolder folder;
  HistoryDb db;
  ASSERT_EQ(db.Open(folder.File("historico.sqlite"), 1'800'000'000).state, OpenState::Created);
  std::int64_t clock = 1'800'000'000;
  HistoryRecorder recorder(db, [&clock] { return clock += 7; });
  recorder.set_level("Forte");
  EventLog log;
  recorder.set_next(&log);

  testing::RandomRun run(seed);
  run.game.set_observer(&recorder);
  // The run's own invariant checker keeps listening after the log.
  log.next = &run.checker;
  run.Play(kRandomHands, /*betting=*/true);
  ASSERT_FALSE(::testing::Test::HasFailure()) << "seed " << seed;
  ASSERT_FALSE(recorder.failure_told());

  std::vector<HandRecord> stored;
  std::map<std::int64_t, GameInfo> games;
  db.ForEachHand([&](const GameInfo& g, const HandRecord& h) {
    stored.push_back(h);
    games[g.id] = g;
  });
  ASSERT_EQ(stored.size(), log.finished.size()) << "seed " << seed;
  std::map<std::int64_t, std::pair<int, int>> sums;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const HandRecord& h = stored[i];
    const EventLog::Hand& e = log.finished[i];
    SCOPED_TRACE("hand " + std::to_string(i) + " seed " + std::to_string(seed));
    for (std::size_t c = 0; c < 3; ++c) {
      EXPECT_EQ(h.player_cards[c], CardCode(e.player[c]));
      EXPECT_EQ(h.opponent_cards[c], CardCode(e.computer[c]));
    }
    ASSERT_EQ(h.moves, e.moves);
    EXPECT_EQ(h.player_points, e.player_gain);
    EXPECT_EQ(h.opponent_points, e.computer_gain);
    EXPECT_EQ(h.winner, e.winner);
    // Every card played was dealt to that side, and none twice.
    std::set<std::uint8_t> played;
    for (const Move& m : h.moves) {
      if (m.kind != MoveKind::Card && m.kind != MoveKind::HiddenCard) continue;
      const auto& own = m.who == Who::Player ? h.player_cards : h.opponent_cards;
      EXPECT_NE(std::find(own.begin(), own.end(), m.value), own.end());
      EXPECT_TRUE(played.insert(m.value).second);
    }
    // Each trick closes on one card of each side played since the last; tricks come in order;
    // every call is answered by the other side before anything else is played.
    int mine = 0, theirs = 0, next_trick = 1;
    for (std::size_t k = 0; k < h.moves.size(); ++k) {
      const Move& m = h.moves[k];
      if (m.kind == MoveKind::Card || m.kind == MoveKind::HiddenCard) {
        ++(m.who == Who::Player ? mine : theirs);
      } else if (m.kind == MoveKind::Trick) {
        EXPECT_EQ(m.value / 4, next_trick++);
        EXPECT_EQ(mine, 1);
        EXPECT_EQ(theirs, 1);
        mine = theirs = 0;
      } else if (m.kind == MoveKind::Call) {
        ASSERT_LT(k + 1, h.moves.size()) << "a call without its answer";
        EXPECT_EQ(h.moves[k + 1].kind, MoveKind::Answer);
        EXPECT_NE(h.moves[k + 1].who, m.who);
      }
    }
    EXPECT_LE(mine, 1);
    EXPECT_LE(theirs, 1);
    // A hand the player ran from holds the run: from a call, from the hand or at eleven.
    if (e.player_ran) {
      EXPECT_TRUE(std::any_of(h.moves.begin(), h.moves.end(), [](const Move& m) {
        return m.who == Who::Player && ((m.kind == MoveKind::Answer && m.value == 'N') ||
                                        (m.kind == MoveKind::Eleven && m.value == 0));
      })) << "a run missing from the moves";
    }
    // The score after the hand is the sum of the game's gains so far.
    sums[h.game_id].first += h.player_points;
    sums[h.game_id].second += h.opponent_points;
    EXPECT_EQ(h.player_score, sums[h.game_id].first);
    EXPECT_EQ(h.opponent_score, sums[h.game_id].second);
    // Hands are under a kilobyte each, far under.
    EXPECT_LT(EncodeMoves(h.moves).size() + 7, 200u);
  }
  int ended = 0;
  for (const auto& [id, g] : games) {
    EXPECT_EQ(g.level, "Forte");
    if (g.result == GameResult::Unfinished) continue;
    ++ended;
    // A run may carry a side past 12 on the table; the game ends at 12.
    EXPECT_EQ(g.result == GameResult::Won ? g.player_score : g.opponent_score, 12);
    EXPECT_LT(g.result == GameResult::Won ? g.opponent_score : g.player_score, 12);
  }
  EXPECT_GT(ended, 0);
  // The file stays small: under a kilobyte per hand.
  db.Close();
  const auto size = fs::file_size(folder.File("historico.sqlite")) +
                    (fs::exists(folder.File("historico.sqlite-wal"))
                         ? fs::file_size(folder.File("historico.sqlite-wal"))
                         : 0);
  EXPECT_LT(size, 1024 * stored.size());
}

// A history written by hand, and its statistics counted by hand.
TEST(History, StatisticsOfAKnownHistory) {
  TempFolder folder;
  HistoryDb db;
  ASSERT_EQ(db.Open(folder.File("h.sqlite"), 0).state, OpenState::Created);
  const std::int64_t now = 1'900'000'000;
  auto hand = [](int winner, int pp, int op, std::vector<Move> moves) {
    HandRecord h;
    h.winner = winner;
    h.player_points = pp;
    h.opponent_points = op;
    h.moves = std::move(moves);
    h.player_cards = {5, 9, 13};
    return h;
  };
  const Move call_p{MoveKind::Call, Who::Player, 3};
  const Move call_o{MoveKind::Call, Who::Opponent, 3};
  auto ans = [](Who w, char a) { return Move{MoveKind::Answer, w, static_cast<std::uint8_t>(a)}; };
  const Move eleven_play{MoveKind::Eleven, Who::Player, 1};
  const Move eleven_quit{MoveKind::Eleven, Who::Player, 0};

  // Game A: Clássico, 40 days ago, won; hands: won 3 after a call accepted, lost 1.
  GameInfo a = MakeGame(now - 40 * kDay, OpponentKind::Computer, "Clássico", "", "");
  ASSERT_TRUE(db.WriteHand(a, hand(0, 3, 0, {call_p, ans(Who::Opponent, 'S')})));
  ASSERT_TRUE(db.WriteHand(a, hand(1, 0, 1, {})));
  a.ended = a.started + 600;
  a.result = GameResult::Won;
  ASSERT_TRUE(db.EndGame(a));
  // Game B: Forte, 2 days ago, lost; hands: the player ran from a call (lost 1), a call of the
  // player's that the computer ran from (won 1), eleven played and lost (3), eleven given up.
  GameInfo b = MakeGame(now - 2 * kDay, OpponentKind::Computer, "Forte", "", "");
  ASSERT_TRUE(db.WriteHand(b, hand(1, 0, 1, {call_o, ans(Who::Player, 'N')})));
  ASSERT_TRUE(db.WriteHand(b, hand(0, 1, 0, {call_p, ans(Who::Opponent, 'N')})));
  ASSERT_TRUE(db.WriteHand(b, hand(1, 0, 3, {eleven_play, call_o, ans(Who::Player, '+')})));
  ASSERT_TRUE(db.WriteHand(b, hand(1, 0, 1, {eleven_quit})));
  b.ended = b.started + 900;
  b.result = GameResult::Lost;
  ASSERT_TRUE(db.EndGame(b));
  // Game C: over the network with ZECA, today, unfinished; a hand won 1 after an accepted call
  // received, with the player following "Dica" once and not once.
  GameInfo c = MakeGame(now - 3600, OpponentKind::Network, "", "ZECA", "direta");
  Move card{MoveKind::Card, Who::Player, 9, Hint::Followed};
  Move card2{MoveKind::Card, Who::Player, 13, Hint::Ignored};
  ASSERT_TRUE(db.WriteHand(c, hand(0, 1, 0, {call_o, ans(Who::Player, 'S'), card, card2})));

  const Stats all = ComputeStats(db, {}, Period::All, now);
  EXPECT_EQ(all.games, 3);
  EXPECT_EQ(all.hands, 7);
  EXPECT_EQ(all.calls_made, (CallsMade{1, 0, 1}));
  EXPECT_EQ(all.calls_received, (CallsReceived{1, 1, 1}));
  EXPECT_EQ(all.eleven, (ElevenHands{0, 1, 1}));
  EXPECT_EQ(all.points_won, (std::map<int, int>{{1, 2}, {3, 1}}));
  EXPECT_EQ(all.points_lost, (std::map<int, int>{{1, 3}, {3, 1}}));
  EXPECT_EQ(all.hint_followed, 1);
  EXPECT_EQ(all.hint_ignored, 1);
  ASSERT_EQ(all.weeks.size(), 2u);
  EXPECT_EQ(all.weeks[0], (WeekShare{WeekStart(a.started), 1, 1}));
  EXPECT_EQ(all.weeks[1], (WeekShare{WeekStart(b.started), 0, 1}));
  // Summary rows: Clássico, Forte, ZECA; by period all / 30 days / last 100 games.
  ASSERT_EQ(all.summary.size(), 3u);
  EXPECT_EQ(all.summary[0].who, "Clássico");
  EXPECT_EQ(all.summary[0].games[0], (WinLoss{1, 0}));
  EXPECT_EQ(all.summary[0].games[1], (WinLoss{0, 0}));
  EXPECT_EQ(all.summary[0].hands[0], (WinLoss{1, 1}));
  EXPECT_EQ(all.summary[1].who, "Forte");
  EXPECT_EQ(all.summary[1].games[1], (WinLoss{0, 1}));
  EXPECT_EQ(all.summary[1].hands[1], (WinLoss{1, 3}));
  EXPECT_EQ(all.summary[2].who, "ZECA");
  EXPECT_EQ(all.summary[2].hands[2], (WinLoss{1, 0}));

  const Stats month = ComputeStats(db, {}, Period::Last30Days, now);
  EXPECT_EQ(month.games, 2);
  EXPECT_EQ(month.hands, 5);
  const Stats forte = ComputeStats(db, {OpponentKind::Computer, "Forte"}, Period::All, now);
  EXPECT_EQ(forte.hands, 4);
  EXPECT_EQ(forte.calls_made, (CallsMade{0, 0, 1}));
  const Stats people = ComputeStats(db, {OpponentKind::Network, ""}, Period::Last100Games, now);
  EXPECT_EQ(people.games, 1);
  EXPECT_EQ(people.calls_received, (CallsReceived{1, 0, 0}));
  EXPECT_EQ(Opponents(db).size(), 3u);
}

HandRecord SomeHand(int n) {
  HandRecord h;
  h.number = n;
  h.player_cards = {5, 9, 13};
  h.opponent_cards = {17, 21, 25};
  h.vira = 29;
  h.moves = {{MoveKind::Card, Who::Player, 5},
             {MoveKind::Card, Who::Opponent, 17},
             {MoveKind::Trick, Who::Player, 5}};
  h.winner = 0;
  h.player_points = 1;
  return h;
}

long CountHands(const HistoryDb& db) {
  long n = 0;
  db.ForEachHand([&n](const GameInfo&, const HandRecord&) { ++n; });
  return n;
}

// A history of an older version (the first: no seats, no voided mark; the second: seats only)
// opens with its games kept, one against one and none voided, and takes both marks from then on.
TEST(History, OlderHistoriesAreMigrated) {
  for (const int version : {1, 2}) {
    SCOPED_TRACE(version);
    TempFolder folder;
    const std::string path = folder.File("historico.sqlite");
    {
      sqlite3* raw = nullptr;
      ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
      const std::string tables =
          "CREATE TABLE games(id INTEGER PRIMARY KEY, started INTEGER NOT NULL, ended INTEGER "
          "NOT NULL DEFAULT 0, kind INTEGER NOT NULL, level TEXT NOT NULL DEFAULT '', opponent "
          "TEXT NOT NULL DEFAULT '', path TEXT NOT NULL DEFAULT '', deck TEXT NOT NULL DEFAULT "
          "'', manilha TEXT NOT NULL DEFAULT '', eleven TEXT NOT NULL DEFAULT '', result INTEGER "
          "NOT NULL DEFAULT 0, player_score INTEGER NOT NULL DEFAULT 0, opponent_score INTEGER "
          "NOT NULL DEFAULT 0, hands INTEGER NOT NULL DEFAULT 0);"
          "CREATE INDEX games_started ON games(started);"
          "CREATE TABLE hands(id INTEGER PRIMARY KEY, game INTEGER NOT NULL REFERENCES "
          "games(id), number INTEGER NOT NULL, dealt INTEGER NOT NULL, cards BLOB NOT NULL, "
          "moves BLOB NOT NULL, stake INTEGER NOT NULL, player_points INTEGER NOT NULL, "
          "opponent_points INTEGER NOT NULL, winner INTEGER NOT NULL, player_score INTEGER NOT "
          "NULL, opponent_score INTEGER NOT NULL);"
          "CREATE INDEX hands_game ON hands(game, number);"
          "INSERT INTO games(started, kind, opponent, result) VALUES(5, 1, 'ANA', 1);" +
          std::string(version >= 2 ? "ALTER TABLE games ADD COLUMN seats INTEGER NOT NULL "
                                     "DEFAULT 2;"
                                   : "") +
          "PRAGMA user_version=" + std::to_string(version) + ";";
      ASSERT_EQ(sqlite3_exec(raw, tables.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
      sqlite3_close(raw);
    }
    HistoryDb db;
    ASSERT_EQ(db.Open(path, 1'800'000'000).state, OpenState::Opened);
    auto games = db.Games();
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0].opponent, "ANA");
    EXPECT_EQ(games[0].seats, kSeatsOneAgainstOne);
    EXPECT_FALSE(games[0].voided);
    EXPECT_TRUE(db.VoidGame(games[0]));
    ASSERT_EQ(db.Games().size(), 1u);
    EXPECT_TRUE(db.Games()[0].voided);
    GameInfo g = MakeGame(200, OpponentKind::Computer, "Forte", kComputerName, "");
    g.seats = kSeatsPairs;
    ASSERT_TRUE(db.WriteHand(g, SomeHand(1)));
    EXPECT_EQ(db.Game(g.id).value_or(GameInfo{}).seats, kSeatsPairs);
  }
}

// A file that is no database, one from a newer program (the version just above ours is already
// too new) and one that cannot be read are set aside under a dated name, byte for byte, and a
// fresh history begins; a second bad file in the same second gets a name of its own. A file of
// our own version opens as it is.
TEST(History, BadDatabasesAreSetAsideNeverLost) {
  TempFolder folder;
  const std::string path = folder.File("historico.sqlite");
  const std::int64_t now = 1'800'000'000;
  {
    std::ofstream(path) << "this is not a database, just text of some length...";
    const std::string before = ReadAll(path);
    HistoryDb db;
    const OpenOutcome out = db.Open(path, now);
    EXPECT_EQ(out.state, OpenState::SetAside);
    EXPECT_EQ(out.reason, SetAsideReason::Damaged);
    EXPECT_EQ(out.set_aside, SetAsideName(path, now, 1));
    EXPECT_EQ(ReadAll(out.set_aside), before);
    GameInfo g;
    EXPECT_TRUE(db.WriteHand(g, SomeHand(1)));
  }
  // The fresh file of the step above, marked as of our version, then of the next one.
  for (const int version : {HistoryDb::kSchemaVersion, HistoryDb::kSchemaVersion + 1}) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
    const std::string sql = "PRAGMA user_version=" + std::to_string(version);
    ASSERT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    HistoryDb db;
    const OpenOutcome out = db.Open(path, now);
    if (version == HistoryDb::kSchemaVersion) {
      EXPECT_EQ(out.state, OpenState::Opened);
      EXPECT_EQ(CountHands(db), 1);
      continue;
    }
    EXPECT_EQ(out.state, OpenState::SetAside);
    EXPECT_EQ(out.reason, SetAsideReason::Newer);
    EXPECT_EQ(out.set_aside, SetAsideName(path, now, 2));
    EXPECT_EQ(CountHands(db), 0);
    ASSERT_TRUE(fs::exists(out.set_aside));
  }
  {
    // Unreadable for the player: tried as `nobody` (root reads everything) in a child process.
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(2);
      HistoryDb db;
      const OpenOutcome out = db.Open(path, now);
      _exit(out.state == OpenState::SetAside && out.reason == SetAsideReason::Unopenable &&
                    db.is_open() && out.set_aside == SetAsideName(path, now, 3)
                ? 0
                : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ASSERT_EQ(::chmod(SetAsideName(path, now, 3).c_str(), 0600), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
  }
  // A good database of an older schema is opened as it is.
  HistoryDb db;
  EXPECT_EQ(db.Open(path, now).state, OpenState::Opened);
}

// Another copy holding the write lock: the hand waits in memory and is written with the next
// one once the lock is gone; two copies writing their own hands both succeed.
TEST(History, LockedDatabaseDelaysAHandButLosesNone) {
  TempFolder folder;
  const std::string path = folder.File("h.sqlite");
  HistoryDb one;
  HistoryDb two;
  ASSERT_EQ(one.Open(path, 0).state, OpenState::Created);
  ASSERT_EQ(two.Open(path, 0).state, OpenState::Opened);
  GameInfo g1 = MakeGame(1, OpponentKind::Computer, "Clássico", "", "");
  GameInfo g2 = MakeGame(2, OpponentKind::Network, "", "ZECA", "");
  for (int i = 1; i <= 20; ++i) {
    ASSERT_TRUE(one.WriteHand(g1, SomeHand(i)));
    ASSERT_TRUE(two.WriteHand(g2, SomeHand(i)));
  }
  ASSERT_EQ(sqlite3_exec(two.handle(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_FALSE(one.WriteHand(g1, SomeHand(21)));
  EXPECT_EQ(one.last_code() & 0xff, SQLITE_BUSY);
  EXPECT_EQ(one.pending(), 1u);
  sqlite3_exec(two.handle(), "COMMIT", nullptr, nullptr, nullptr);
  EXPECT_TRUE(one.WriteHand(g1, SomeHand(22)));
  EXPECT_EQ(one.pending(), 0u);
  EXPECT_EQ(one.Hands(g1.id).size(), 22u);
  EXPECT_EQ(one.Hands(g2.id).size(), 20u);
  EXPECT_EQ(one.Game(g1.id)->hands, 22);

  // Parked (closed with SQLite until needed), it opens again for the next hand; a lock met by
  // that opening delays the hand like any other.
  one.Park();
  EXPECT_FALSE(one.is_open());
  EXPECT_TRUE(one.keeps_hands());
  ASSERT_EQ(sqlite3_exec(two.handle(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_FALSE(one.WriteHand(g1, SomeHand(23)));
  EXPECT_EQ(one.pending(), 1u);
  sqlite3_exec(two.handle(), "COMMIT", nullptr, nullptr, nullptr);
  EXPECT_TRUE(one.WriteHand(g1, SomeHand(24)));
  EXPECT_TRUE(one.is_open());
  EXPECT_EQ(one.Hands(g1.id).size(), 24u);
  // A history that never opened stays without one.
  HistoryDb none;
  none.Park();
  EXPECT_FALSE(none.keeps_hands());
}

// A full disk: writes fail, the player hears it once, play goes on, and when room comes back the
// waiting hands are written.
TEST(History, FullDiskIsToldOnceAndNothingIsLost) {
  TempFolder folder;
  const std::string path = folder.File("h.sqlite");
  HistoryDb db;
  ASSERT_EQ(db.Open(path, 0).state, OpenState::Created);
  int told = 0;
  HistoryRecorder recorder(db, [] { return std::int64_t{5}; });
  recorder.set_on_failure([&told](int, int) { ++told; });
  GameState s;
  s.cards[kCVira].face_down = false;
  auto play_hand = [&] {
    recorder.OnDeal(s);
    recorder.OnCard(s, Side::Player, kCartaJ1, false);
    recorder.OnPoints(s, Side::Player, 0, PointsReason::HandWon);
  };
  play_hand();
  {
    // No file may grow any more.
    testing::FileSizeLimit limit(1);
    for (int i = 0; i < 30; ++i) play_hand();
  }
  EXPECT_EQ(told, 1);
  EXPECT_EQ(db.pending(), 30u);
  play_hand();
  EXPECT_EQ(db.pending(), 0u);
  EXPECT_EQ(CountHands(db), 32);
  EXPECT_EQ(told, 1);
}

// A history of `hands` hands, closed (its log folded in), for the faults below.
void WriteSoundHistory(const std::string& path, int hands) {
  HistoryDb db;
  ASSERT_EQ(db.Open(path, 0).state, OpenState::Created);
  GameInfo g = MakeGame(1, OpponentKind::Computer, "Clássico", "", "");
  for (int i = 1; i <= hands; ++i) ASSERT_TRUE(db.WriteHand(g, SomeHand(i)));
}

// Files named as a set-aside history ("historico.sqlite.<date>...").
int SetAsideCount(const TempFolder& folder) {
  int n = 0;
  for (const auto& e : fs::directory_iterator(folder.path())) {
    n += e.path().filename().string().rfind("historico.sqlite.", 0) == 0 ? 1 : 0;
  }
  return n;
}

// Damage in the middle of the file, where counting the games does not look: the open finds it,
// sets the file aside byte for byte, and the hands of the run go into a fresh history.
TEST(History, DamageInTheMiddleIsSetAsideAtOpen) {
  const std::uint64_t seed = TestSeed();
  std::mt19937 random(static_cast<unsigned>(seed));
  TempFolder folder;
  const std::string path = folder.File("historico.sqlite");
  WriteSoundHistory(path, 160);
  ASSERT_GE(fs::file_size(path), 20u * 1024);
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(10 * 1024);
    for (int i = 0; i < 4096; ++i) f.put(static_cast<char>(random()));
  }
  const std::string damaged = ReadAll(path);
  HistoryDb db;
  const OpenOutcome out = db.Open(path, 1'800'000'000);
  EXPECT_EQ(out.state, OpenState::SetAside);
  EXPECT_EQ(out.reason, SetAsideReason::Damaged);
  EXPECT_TRUE(ReadAll(out.set_aside) == damaged) << "the damaged file is kept byte for byte";
  GameInfo g = MakeGame(9, OpponentKind::Computer, "Forte", "", "");
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(db.WriteHand(g, SomeHand(i)));
  EXPECT_EQ(CountHands(db), 3);
}

// Damage that comes while the game runs: the write that meets it stops the run's history (no hand
// waits for a write that cannot come), and the next open sets the file aside.
TEST(History, DamageMetByAWriteStopsTheRunsHistory) {
  TempFolder folder;
  const std::string path = folder.File("historico.sqlite");
  WriteSoundHistory(path, 160);
  HistoryDb db;
  ASSERT_EQ(db.Open(path, 0).state, OpenState::Opened);
  GameInfo g = MakeGame(9, OpponentKind::Computer, "Forte", "", "");
  ASSERT_TRUE(db.WriteHand(g, SomeHand(1)));
  sqlite3_wal_checkpoint_v2(db.handle(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(4096);
    for (int i = 0; i < 16 * 1024; ++i) f.put(static_cast<char>(0x5A ^ (i * 7)));
  }
  sqlite3_db_release_memory(db.handle());
  EXPECT_FALSE(db.WriteHand(g, SomeHand(2)));
  EXPECT_EQ(db.last_code() & 0xff, SQLITE_CORRUPT);
  EXPECT_FALSE(db.keeps_hands());
  EXPECT_EQ(db.pending(), 0u);
  EXPECT_FALSE(db.WriteHand(g, SomeHand(3)));
  EXPECT_EQ(db.pending(), 0u);
  HistoryDb next;
  EXPECT_EQ(next.Open(path, 1'800'000'000).state, OpenState::SetAside);
}

// Another program holds the history in exclusive locking mode when the game starts: the file is
// kept, and the hands played while it is held are written once it lets go.
TEST(History, ExclusiveLockAtStartIsWaitedOut) {
  TempFolder folder;
  const std::string path = folder.File("historico.sqlite");
  WriteSoundHistory(path, 4);
  int locked[2];
  int release[2];
  ASSERT_EQ(::pipe(locked), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    sqlite3* other = nullptr;
    if (sqlite3_open(path.c_str(), &other) != SQLITE_OK) _exit(2);
    if (sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr,
                     nullptr, nullptr) != SQLITE_OK) {
      _exit(3);
    }
    const char c = 'L';
    if (::write(locked[1], &c, 1) != 1) _exit(4);
    char r = 0;
    if (::read(release[0], &r, 1) != 1) _exit(5);
    sqlite3_close(other);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(locked[0], &c, 1), 1);
  HistoryDb db;
  const OpenOutcome out = db.Open(path, 1'800'000'000);
  EXPECT_EQ(out.state, OpenState::Waiting);
  EXPECT_EQ(out.sqlite_code & 0xff, SQLITE_BUSY);
  GameInfo g = MakeGame(7, OpponentKind::Computer, "Mestre", "", "");
  EXPECT_FALSE(db.WriteHand(g, SomeHand(1)));
  EXPECT_FALSE(db.WriteHand(g, SomeHand(2)));
  ASSERT_EQ(::write(release[1], &c, 1), 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  for (int fd : {locked[0], locked[1], release[0], release[1]}) ::close(fd);
  EXPECT_TRUE(db.WriteHand(g, SomeHand(3)));
  EXPECT_EQ(db.Hands(g.id).size(), 3u);
  EXPECT_EQ(CountHands(db), 7);
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(SetAsideCount(folder), 0);
}

// A game that ends while the history is held by another copy keeps its end: with its hands when
// they wait too, alone when they were written; both reach the file with the next write.
TEST(History, AGamesEndWaitsLikeItsHands) {
  TempFolder folder;
  const std::string path = folder.File("h.sqlite");
  HistoryDb one;
  HistoryDb two;
  ASSERT_EQ(one.Open(path, 0).state, OpenState::Created);
  ASSERT_EQ(two.Open(path, 0).state, OpenState::Opened);
  GameInfo written = MakeGame(1, OpponentKind::Computer, "Clássico", "", "");
  ASSERT_TRUE(one.WriteHand(written, SomeHand(1)));
  GameInfo waiting = MakeGame(2, OpponentKind::Computer, "Forte", "", "");
  ASSERT_EQ(sqlite3_exec(two.handle(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  EXPECT_FALSE(one.WriteHand(waiting, SomeHand(1)));
  EXPECT_FALSE(one.WriteHand(waiting, SomeHand(2)));
  waiting.ended = 200;
  waiting.result = GameResult::Won;
  EXPECT_FALSE(one.EndGame(waiting));
  written.ended = 100;
  written.result = GameResult::Lost;
  written.opponent_score = 12;
  EXPECT_FALSE(one.EndGame(written));
  sqlite3_exec(two.handle(), "COMMIT", nullptr, nullptr, nullptr);
  GameInfo next = MakeGame(3, OpponentKind::Computer, "Mestre", "", "");
  ASSERT_TRUE(one.WriteHand(next, SomeHand(1)));
  const std::vector<GameInfo> games = two.Games();
  ASSERT_EQ(games.size(), 3u);
  EXPECT_EQ(games[1].started, 2);
  EXPECT_EQ(games[1].ended, 200);
  EXPECT_EQ(games[1].result, GameResult::Won);
  EXPECT_EQ(games[1].hands, 2);
  EXPECT_EQ(games[2].started, 1);
  EXPECT_EQ(games[2].ended, 100);
  EXPECT_EQ(games[2].result, GameResult::Lost);
  EXPECT_EQ(games[2].opponent_score, 12);
  EXPECT_EQ(games[0].result, GameResult::Unfinished);
}

// A program killed at random moments while it writes hands: the database opens as it is (never
// set aside), and it holds every hand whose write had finished, each one whole.
TEST(History, KilledWhileWritingLosesAtMostTheHandInProgress) {
  const std::uint64_t seed = TestSeed();
  std::mt19937 random(static_cast<unsigned>(seed));
  TempFolder folder;
  const std::string path = folder.File("h.sqlite");
  {
    HistoryDb db;
    ASSERT_EQ(db.Open(path, 0).state, OpenState::Created);
  }
  long previous = 0;
  for (int kill_no = 0; kill_no < 25; ++kill_no) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      HistoryDb db;
      if (db.Open(path, 0).state != OpenState::Opened) _exit(3);
      GameInfo g = MakeGame(kill_no, OpponentKind::Computer, "", "", "");
      for (int n = 1;; ++n) {
        if (!db.WriteHand(g, SomeHand(n))) _exit(4);
        const char done = 'D';
        if (::write(fds[1], &done, 1) != 1) _exit(5);
      }
    }
    ::close(fds[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 20000));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    long done = 0;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) done += n;
    ::close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << WEXITSTATUS(status);

    HistoryDb db;
    ASSERT_EQ(db.Open(path, 0).state, OpenState::Opened) << "kill " << kill_no;
    const long now = CountHands(db);
    EXPECT_GE(now, previous + done) << "kill " << kill_no;
    EXPECT_LE(now, previous + done + 1) << "kill " << kill_no;
    for (const GameInfo& g : db.Games()) {
      EXPECT_EQ(static_cast<std::size_t>(g.hands), db.Hands(g.id).size());
    }
    previous = now;
  }
}

// The CSV export read back: one line per move, each field as the database holds it, quotes and
// commas in a name kept.
TEST(History, CsvExportReadsBack) {
  TempFolder folder;
  HistoryDb db;
  ASSERT_EQ(db.Open(folder.File("h.sqlite"), 0).state, OpenState::Created);
  std::mt19937 random(static_cast<unsigned>(TestSeed()));
  GameInfo g = MakeGame(100, OpponentKind::Network, "", "ZÉ \"O\", DA VILA", "internet");
  long moves = 0;
  for (int n = 1; n <= 50; ++n) {
    HandRecord h = SomeHand(n);
    h.moves.clear();
    const int count = static_cast<int>(random() % 14);
    for (int i = 0; i < count; ++i) {
      const auto kind = static_cast<MoveKind>(random() % 6);
      auto value = static_cast<std::uint8_t>(random() % 56);
      if (kind == MoveKind::Answer) value = "SN+*"[random() % 4];
      h.moves.push_back({kind, static_cast<Who>(random() % 2), value,
                         static_cast<Hint>(random() % 3), random() % 4 == 0});
    }
    moves += count;
    ASSERT_TRUE(db.WriteHand(g, h));
  }
  std::stringstream out;
  EXPECT_EQ(ExportCsv(db, out), moves);
  std::string line;
  std::getline(out, line);
  EXPECT_EQ(line, kCsvHeader);
  const std::size_t columns = SplitCsvLine(kCsvHeader).size();
  std::vector<HandRecord> hands = db.Hands(g.id);
  long read = 0;
  for (const HandRecord& h : hands) {
    for (std::size_t i = 0; i < h.moves.size(); ++i) {
      ASSERT_TRUE(std::getline(out, line));
      const auto f = SplitCsvLine(line);
      ASSERT_EQ(f.size(), columns) << line;
      EXPECT_EQ(f[3], g.opponent);
      EXPECT_EQ(f[4], "internet");
      EXPECT_EQ(std::stoi(f[5]), h.number);
      EXPECT_EQ(std::stoul(f[6]), i + 1);
      EXPECT_EQ(f[7], MoverText(h.moves[i]));
      EXPECT_EQ(f[8], KindText(h.moves[i].kind));
      EXPECT_EQ(f[9], ValueText(h.moves[i]));
      EXPECT_EQ(f[10], HintText(h.moves[i].hint));
      ++read;
    }
  }
  EXPECT_EQ(read, moves);
  EXPECT_FALSE(std::getline(out, line));
}

}  // namespace
}  // namespace truco::history

namespace truco::history {
namespace {

// "Dica" marks only the player's next move: followed when it is the move shown, not followed
// otherwise; the other side's moves and later moves carry no mark.
TEST(History, HintMarksThePlayersNextMove) {
  TempFolder folder;
  HistoryDb db;
  ASSERT_EQ(db.Open(folder.File("h.sqlite"), 0).state, OpenState::Created);
  HistoryRecorder recorder(db, [] { return std::int64_t{9}; });
  GameState s;
  s.cards[kCartaJ1].card = {7, Suit::Hearts};
  s.cards[kCartaJ2].card = {3, Suit::Clubs};
  s.cards[kCartaM1].card = {1, Suit::Spades};
  recorder.OnDeal(s);
  recorder.NoteHint({MoveKind::Card, CardCode(s.cards[kCartaJ1].card)});
  recorder.OnCard(s, Side::Computer, kCartaM1, false);  // not the player's: no mark
  recorder.OnCard(s, Side::Player, kCartaJ1, false);    // followed
  recorder.OnCard(s, Side::Player, kCartaJ2, false);    // no hint shown any more
  recorder.NoteHint({MoveKind::Call, 0});
  recorder.OnCard(s, Side::Player, kCartaJ2, true);  // a card instead of the call
  recorder.NoteHint({MoveKind::Answer, 'N'});
  recorder.OnAnswer(s, Side::Player, 'N');  // followed
  recorder.OnPoints(s, Side::Computer, 0, PointsReason::PlayerRan);
  const auto games = db.Games();
  ASSERT_EQ(games.size(), 1u);
  const auto hands = db.Hands(games[0].id);
  ASSERT_EQ(hands.size(), 1u);
  std::vector<Hint> marks;
  for (const Move& m : hands[0].moves) marks.push_back(m.hint);
  EXPECT_EQ(marks, (std::vector<Hint>{Hint::None, Hint::Followed, Hint::None, Hint::Ignored,
                                      Hint::Followed}));
}

}  // namespace
}  // namespace truco::history

#include <utility>

#include "store/history_pairs.h"
#include "tests/engine/duplas_random_play.h"

namespace truco::history {
namespace {

// What the game in pairs told, hand by hand, as the south seat may see it: written out here
// rather than taken from the history's adapter.
class PairsLog : public duplas::DuplasObserver {
 public:
  struct Hand {
    std::array<std::uint8_t, 3> own{};
    std::vector<std::pair<int, int>> cards;  // (seat, code as south saw it), in order played
    int ran_seat = duplas::kNoSeat;
    std::array<int, 2> gain{};
    int winner = -1;
  };
  std::vector<Hand> finished;
  duplas::DuplasObserver* next = nullptr;

  void OnDeal(const duplas::DuplasState& s) override {
    open_ = Hand{};
    for (std::size_t i = 0; i < 3; ++i) open_.own[i] = CardCode(s.hand[duplas::kSouth][i]);
    next->OnDeal(s);
  }
  void OnCard(const duplas::DuplasState& s, int seat) override {
    const duplas::Trick& t = s.tricks[static_cast<std::size_t>(s.trick)];
    const duplas::PlayedCard& p = t.cards[static_cast<std::size_t>(t.count - 1)];
    open_.cards.emplace_back(seat, p.hidden && seat != duplas::kSouth ? 0 : CardCode(p.card));
    next->OnCard(s, seat);
  }
  void OnTrick(const duplas::DuplasState& s, int trick) override { next->OnTrick(s, trick); }
  void OnGameEnd(const duplas::DuplasState& s, int winner) override { next->OnGameEnd(s, winner); }
  void OnRun(const duplas::DuplasState&, int seat) override { open_.ran_seat = seat; }
  void OnPoints(const duplas::DuplasState& s, int team, int before,
                duplas::PointsReason reason) override {
    open_.gain[static_cast<std::size_t>(team)] = s.points[static_cast<std::size_t>(team)] - before;
    open_.winner = team;
    finished.push_back(open_);
    next->OnPoints(s, team, before, reason);
  }
  void OnRedeal(const duplas::DuplasState& s) override {
    finished.push_back(open_);
    next->OnRedeal(s);
  }

 private:
  Hand open_;
};

int SeatOf(const Move& m) {
  if (m.who == Who::Player) return m.partner ? duplas::kNorth : duplas::kSouth;
  return m.partner ? duplas::kWest : duplas::kEast;
}

// Random games in pairs are in the history as the player's seat saw them: its own cards, every
// card played by whom (another seat's hidden card unknown), four to a trick, the run that ended a
// hand, every call answered by the other team, the points; the games are marked as pairs, end at
// 12, and the statistics count them as an opponent of their own.
TEST(History, PairsGamesAreRecordedAsThePlayersSeatSawThem) {
  const std::uint64_t seed = TestSeed();
  TempFolder folder;
  HistoryDb db;
  ASSERT_EQ(db.Open(folder.File("historico.sqlite"), 1'800'000'000).state, OpenState::Created);
  std::int64_t clock = 1'800'000'000;
  HistoryRecorder recorder(db, [&clock] { return clock += 7; });
  PairsHistory pairs(recorder);
  pairs.set_level("Forte");
  PairsLog log;
  duplas::testing::DuplasRandomRun run(seed);
  run.game.set_observer(&pairs);
  pairs.set_next(&log);
  log.next = &run.checker;
  run.Play(kRandomHands);
  ASSERT_FALSE(::testing::Test::HasFailure()) << "seed " << seed;

  std::vector<HandRecord> stored;
  std::map<std::int64_t, GameInfo> games;
  db.ForEachHand([&](const GameInfo& g, const HandRecord& h) {
    stored.push_back(h);
    games[g.id] = g;
  });
  ASSERT_EQ(stored.size(), log.finished.size()) << "seed " << seed;
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const HandRecord& h = stored[i];
    const PairsLog::Hand& e = log.finished[i];
    SCOPED_TRACE("hand " + std::to_string(i) + " seed " + std::to_string(seed));
    EXPECT_EQ(h.player_cards, e.own);
    std::vector<std::pair<int, int>> cards;
    int in_trick = 0;
    for (std::size_t k = 0; k < h.moves.size(); ++k) {
      const Move& m = h.moves[k];
      if (m.kind == MoveKind::Card || m.kind == MoveKind::HiddenCard) {
        cards.emplace_back(SeatOf(m), m.value);
        ++in_trick;
      } else if (m.kind == MoveKind::Trick) {
        EXPECT_EQ(std::exchange(in_trick, 0), 4);
      } else if (m.kind == MoveKind::Call) {
        ASSERT_LT(k + 1, h.moves.size()) << "a call without its answer";
        EXPECT_EQ(h.moves[k + 1].kind, MoveKind::Answer);
        EXPECT_NE(h.moves[k + 1].who, m.who);
      }
    }
    EXPECT_EQ(cards, e.cards);
    if (e.ran_seat != duplas::kNoSeat) {
      const Move last = h.moves.empty() ? Move{} : h.moves.back();
      EXPECT_TRUE(last.kind == MoveKind::Answer && last.value == kAnswerRun &&
                  SeatOf(last) == e.ran_seat)
          << "the run is missing";
    }
    EXPECT_EQ(h.player_points, e.gain[0]);
    EXPECT_EQ(h.opponent_points, e.gain[1]);
    EXPECT_EQ(h.winner, e.winner);
  }
  for (const auto& [id, g] : games) {
    EXPECT_EQ(g.seats, kSeatsPairs);
    if (g.result != GameResult::Unfinished) {
      EXPECT_EQ(g.result == GameResult::Won ? g.player_score : g.opponent_score, 12);
    }
  }
  const OpponentFilter in_pairs{OpponentKind::Computer, std::string(kPairsPrefix) + "Forte"};
  EXPECT_EQ(Opponents(db), std::vector<OpponentFilter>{in_pairs});
  EXPECT_EQ(ComputeStats(db, in_pairs, Period::All, clock).games, static_cast<long>(games.size()));
}

}  // namespace
}  // namespace truco::history
