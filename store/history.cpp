#include "store/history.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <utility>

#include "store/sqlite_library.h"

namespace truco::history {

namespace {

// Each entry moves the schema from version i to i + 1.
constexpr const char* kMigrations[] = {
    R"sql(
CREATE TABLE games(
  id INTEGER PRIMARY KEY,
  started INTEGER NOT NULL,
  ended INTEGER NOT NULL DEFAULT 0,
  kind INTEGER NOT NULL,
  level TEXT NOT NULL DEFAULT '',
  opponent TEXT NOT NULL DEFAULT '',
  path TEXT NOT NULL DEFAULT '',
  deck TEXT NOT NULL DEFAULT '',
  manilha TEXT NOT NULL DEFAULT '',
  eleven TEXT NOT NULL DEFAULT '',
  result INTEGER NOT NULL DEFAULT 0,
  player_score INTEGER NOT NULL DEFAULT 0,
  opponent_score INTEGER NOT NULL DEFAULT 0,
  hands INTEGER NOT NULL DEFAULT 0);
CREATE INDEX games_started ON games(started);
CREATE TABLE hands(
  id INTEGER PRIMARY KEY,
  game INTEGER NOT NULL REFERENCES games(id),
  number INTEGER NOT NULL,
  dealt INTEGER NOT NULL,
  cards BLOB NOT NULL,
  moves BLOB NOT NULL,
  stake INTEGER NOT NULL,
  player_points INTEGER NOT NULL,
  opponent_points INTEGER NOT NULL,
  winner INTEGER NOT NULL,
  player_score INTEGER NOT NULL,
  opponent_score INTEGER NOT NULL);
CREATE INDEX hands_game ON hands(game, number);
)sql",
    // Games in pairs: how many seats the table had.
    R"sql(
ALTER TABLE games ADD COLUMN seats INTEGER NOT NULL DEFAULT 2;
)sql",
    // A networked game voided by a cheat its joint deal caught: shown as such, never counted.
    R"sql(
ALTER TABLE games ADD COLUMN voided INTEGER NOT NULL DEFAULT 0;
)sql",
};
static_assert(std::size(kMigrations) == HistoryDb::kSchemaVersion);

// A prepared statement that finalizes itself.
class Statement {
 public:
  Statement(const SqliteLibrary& sql, sqlite3* db, const char* text) : sql_(sql) {
    sql_.prepare_v2(db, text, -1, &stmt_, nullptr);
  }
  ~Statement() { sql_.finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  [[nodiscard]] bool ok() const { return stmt_ != nullptr; }
  sqlite3_stmt* get() const { return stmt_; }
  void Bind(int i, std::int64_t v) { sql_.bind_int64(stmt_, i, v); }
  void Bind(int i, const std::string& v) {
    sql_.bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  void BindBlob(int i, const std::string& v) {
    sql_.bind_blob(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
  }
  int Step() { return sql_.step(stmt_); }
  [[nodiscard]] std::int64_t Int(int i) const { return sql_.column_int64(stmt_, i); }
  [[nodiscard]] std::string Text(int i) const {
    const auto* p = sql_.column_text(stmt_, i);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<std::size_t>(sql_.column_bytes(stmt_, i)))
             : std::string();
  }
  [[nodiscard]] std::string Blob(int i) const {
    const auto* p = static_cast<const char*>(sql_.column_blob(stmt_, i));
    return p ? std::string(p, static_cast<std::size_t>(sql_.column_bytes(stmt_, i)))
             : std::string();
  }

 private:
  const SqliteLibrary& sql_;
  sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* kGameColumns =
    "id, started, ended, kind, level, opponent, path, deck, manilha, eleven, result, "
    "player_score, opponent_score, hands, seats, voided";

GameInfo GameFrom(const Statement& st) {
  GameInfo g;
  g.id = st.Int(0);
  g.started = st.Int(1);
  g.ended = st.Int(2);
  g.kind = static_cast<OpponentKind>(st.Int(3) == 1 ? 1 : 0);
  g.level = st.Text(4);
  g.opponent = st.Text(5);
  g.path = st.Text(6);
  g.deck = st.Text(7);
  g.manilha = st.Text(8);
  g.eleven = st.Text(9);
  const auto r = st.Int(10);
  g.result = static_cast<GameResult>(r >= 0 && r <= 2 ? r : 0);
  g.player_score = static_cast<int>(st.Int(11));
  g.opponent_score = static_cast<int>(st.Int(12));
  g.hands = static_cast<int>(st.Int(13));
  g.seats = st.Int(14) == kSeatsPairs ? kSeatsPairs : kSeatsOneAgainstOne;
  g.voided = st.Int(15) != 0;
  return g;
}

constexpr const char* kHandColumns =
    "game, number, dealt, cards, moves, stake, player_points, opponent_points, winner, "
    "player_score, opponent_score";

HandRecord HandFrom(const Statement& st, int first) {
  HandRecord h;
  h.game_id = st.Int(first);
  h.number = static_cast<int>(st.Int(first + 1));
  h.dealt = st.Int(first + 2);
  const std::string cards = st.Blob(first + 3);
  if (cards.size() == 7) {
    for (std::size_t i = 0; i < 3; ++i) {
      h.player_cards[i] = static_cast<std::uint8_t>(cards[i]);
      h.opponent_cards[i] = static_cast<std::uint8_t>(cards[i + 3]);
    }
    h.vira = static_cast<std::uint8_t>(cards[6]);
  }
  h.moves = DecodeMoves(st.Blob(first + 4)).value_or(std::vector<Move>{});
  h.stake = static_cast<int>(st.Int(first + 5));
  h.player_points = static_cast<int>(st.Int(first + 6));
  h.opponent_points = static_cast<int>(st.Int(first + 7));
  h.winner = static_cast<int>(st.Int(first + 8));
  h.player_score = static_cast<int>(st.Int(first + 9));
  h.opponent_score = static_cast<int>(st.Int(first + 10));
  return h;
}

bool SameGame(const GameInfo& a, const GameInfo& b) {
  return a.started == b.started && a.kind == b.kind && a.seats == b.seats &&
         a.opponent == b.opponent && a.level == b.level;
}

// Moves `from` to `to` only if `to` does not exist.
int MoveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace rename: a hard link never replaces either.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  if (::unlink(from.c_str()) != 0) return errno;
  return 0;
}

}  // namespace

// A fault of the moment (another program holds the file, no room on the disk, no memory), not
// of the file: it stays as it is and is opened again at the next write.
bool IsPassingFault(int sqlite_code, int error) {
  switch (sqlite_code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_FULL:
    case SQLITE_NOMEM:
    case SQLITE_IOERR:
    case SQLITE_INTERRUPT:
      return true;
    case SQLITE_CANTOPEN:
      return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EMFILE ||
             error == ENFILE || error == ENOMEM;
    default:
      return false;
  }
}

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::uint8_t CardCode(Card card) {
  return static_cast<std::uint8_t>(card.Value * 4 + static_cast<int>(card.suit) + 1);
}

std::optional<Card> CardFromCode(std::uint8_t code) {
  if (code < 5) return std::nullopt;
  const int value = (code - 1) / 4;
  if (value < 1 || value > 13) return std::nullopt;
  return Card{static_cast<std::uint8_t>(value), static_cast<Suit>((code - 1) % 4)};
}

std::string EncodeMoves(const std::vector<Move>& moves) {
  std::string out;
  out.reserve(moves.size() * 2);
  for (const Move& m : moves) {
    out.push_back(static_cast<char>(static_cast<int>(m.kind) | (static_cast<int>(m.who) << 3) |
                                    (static_cast<int>(m.hint) << 4) | (m.partner ? 0x40 : 0)));
    out.push_back(static_cast<char>(m.value));
  }
  return out;
}

std::optional<std::vector<Move>> DecodeMoves(const std::string& bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::vector<Move> moves;
  moves.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const auto head = static_cast<std::uint8_t>(bytes[i]);
    const int kind = head & 7;
    const int hint = (head >> 4) & 3;
    if (kind > static_cast<int>(MoveKind::Trick) || hint > 2 || (head >> 7) != 0) {
      return std::nullopt;
    }
    moves.push_back({static_cast<MoveKind>(kind), static_cast<Who>((head >> 3) & 1),
                     static_cast<std::uint8_t>(bytes[i + 1]), static_cast<Hint>(hint),
                     (head & 0x40) != 0});
  }
  return moves;
}

std::string SetAsideName(const std::string& path, std::int64_t now, int attempt) {
  const auto t = static_cast<std::time_t>(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &tm);
  std::string name = path + "." + stamp;
  if (attempt > 1) name += "-" + std::to_string(attempt);
  return name;
}

HistoryDb::HistoryDb() = default;

HistoryDb::~HistoryDb() {
  Close();
}

void HistoryDb::Close() {
  if (db_) sql_->close_v2(db_);
  db_ = nullptr;
  waiting_ = false;
}

void HistoryDb::Park() {
  if (!db_) return;
  Close();
  sql_.reset();
  waiting_ = true;
}

bool HistoryDb::Exec(const char* sql) {
  const int rc = sql_->exec(db_, sql, nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    last_code_ = rc;
    return false;
  }
  return true;
}

bool HistoryDb::Configure(OpenOutcome& outcome) {
  sql_->busy_timeout(db_, kBusyTimeoutMs);
  // Write-ahead log: a reader never blocks the writer, and a commit is one append. NORMAL
  // syncs at checkpoints only: a killed program keeps every committed hand.
  char* mode = nullptr;
  const char* sql = "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;";
  const int rc = sql_->exec(db_, sql, nullptr, nullptr, &mode);
  sql_->free(mode);
  if (rc != SQLITE_OK) {
    outcome.sqlite_code = rc;
    outcome.detail = sql_->errmsg(db_);
    return false;
  }
  return true;
}

bool HistoryDb::Migrate(int from, OpenOutcome& outcome) {
  for (int v = from; v < kSchemaVersion; ++v) {
    if (!Exec("BEGIN IMMEDIATE")) break;
    const std::string sql =
        std::string(kMigrations[v]) + "PRAGMA user_version=" + std::to_string(v + 1) + ";";
    if (!Exec(sql.c_str()) || !Exec("COMMIT")) {
      outcome.sqlite_code = last_code_;
      outcome.detail = sql_->errmsg(db_);
      Exec("ROLLBACK");
      return false;
    }
  }
  outcome.sqlite_code = last_code_;
  return true;
}

// Reads the version of an existing file: true with the database ready, false with `outcome`
// saying why it cannot be used (the caller sets it aside, or gives up when it is only busy).
bool HistoryDb::OpenExisting(OpenOutcome& outcome) {
  int rc = sql_->open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    outcome.sqlite_code = rc;
    outcome.error = sql_->system_errno(db_);
    outcome.reason = SetAsideReason::Unopenable;
    return false;
  }
  sql_->busy_timeout(db_, kBusyTimeoutMs);
  int version = -1;
  {
    Statement st(*sql_, db_, "PRAGMA user_version");
    rc = st.ok() ? st.Step() : sql_->errcode(db_);
    if (rc == SQLITE_ROW) version = static_cast<int>(st.Int(0));
  }
  if (version < 0) {
    outcome.sqlite_code = sql_->errcode(db_);
    outcome.error = sql_->system_errno(db_);
    outcome.detail = sql_->errmsg(db_);
    outcome.reason = (outcome.sqlite_code & 0xff) == SQLITE_CANTOPEN ||
                             (outcome.sqlite_code & 0xff) == SQLITE_PERM
                         ? SetAsideReason::Unopenable
                         : SetAsideReason::Damaged;
    return false;
  }
  if (version > kSchemaVersion) {
    outcome.reason = SetAsideReason::Newer;
    return false;
  }
  if (!Configure(outcome)) {
    outcome.error = sql_->system_errno(db_);
    outcome.reason = SetAsideReason::Damaged;
    return false;
  }
  // Damage anywhere in the file, not only where a first query looks: otherwise every later
  // write fails on it. The quick check reads each page once (milliseconds for years of hands).
  if (version > 0) {
    Statement st(*sql_, db_, "PRAGMA quick_check(1)");
    rc = st.ok() ? st.Step() : sql_->errcode(db_);
    if (rc != SQLITE_ROW || st.Text(0) != "ok") {
      outcome.sqlite_code = rc == SQLITE_ROW ? SQLITE_CORRUPT : sql_->extended_errcode(db_);
      outcome.error = rc == SQLITE_ROW ? 0 : sql_->system_errno(db_);
      outcome.detail = rc == SQLITE_ROW ? st.Text(0) : sql_->errmsg(db_);
      outcome.reason = SetAsideReason::Damaged;
      return false;
    }
  }
  if (!Migrate(version, outcome)) {
    outcome.error = sql_->system_errno(db_);
    outcome.reason = SetAsideReason::Damaged;
    return false;
  }
  return true;
}

bool HistoryDb::CreateFresh(OpenOutcome& outcome) {
  const int rc =
      sql_->open_v2(path_.c_str(), &db_,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    outcome.sqlite_code = rc;
    outcome.error = sql_->system_errno(db_);
    Close();
    return false;
  }
  if (!Configure(outcome) || !Migrate(0, outcome)) {
    outcome.error = sql_->system_errno(db_);
    Close();
    return false;
  }
  return true;
}

OpenOutcome HistoryDb::Open(const std::string& path, std::int64_t now) {
  OpenOutcome outcome = OpenNow(path, now);
  waiting_ = outcome.state == OpenState::Waiting;
  return outcome;
}

OpenOutcome HistoryDb::OpenNow(const std::string& path, std::int64_t now) {
  Close();
  path_ = path;
  OpenOutcome outcome;
  if (!sql_) sql_ = SqliteLibrary::Open();
  if (!sql_) {
    // No SQLite on this system: the file is left alone and this run keeps no hands.
    outcome.sqlite_code = SQLITE_CANTOPEN;
    outcome.detail = "libsqlite3.so.0 could not be loaded";
    return outcome;
  }
  // Busy or out of room: the file (or the folder, for a new one) is kept as it is and the hands
  // wait in memory until a write finds it free.
  auto wait_or_fail = [](OpenOutcome& o) {
    o.state = IsPassingFault(o.sqlite_code, o.error) ? OpenState::Waiting : OpenState::Failed;
  };
  if (!Exists(path_)) {
    // A log left without its database belongs to no database of ours any more: it is set aside
    // with the rest rather than replayed into the fresh one.
    for (const char* extra : {"-wal", "-shm"}) {
      if (Exists(path_ + extra)) {
        MoveNoReplace(path_ + extra, SetAsideName(path_, now, 1) + extra);
      }
    }
    if (CreateFresh(outcome)) {
      outcome.state = OpenState::Created;
    } else {
      wait_or_fail(outcome);
    }
    return outcome;
  }
  if (OpenExisting(outcome)) {
    outcome.state = OpenState::Opened;
    return outcome;
  }
  Close();
  if (outcome.reason != SetAsideReason::Newer && IsPassingFault(outcome.sqlite_code, outcome.error)) {
    outcome.reason = SetAsideReason::None;
    outcome.state = OpenState::Waiting;
    return outcome;
  }
  std::string target;
  int error = EEXIST;
  for (int attempt = 1; attempt < 100 && error == EEXIST; ++attempt) {
    target = SetAsideName(path_, now, attempt);
    if (Exists(target)) continue;
    error = MoveNoReplace(path_, target);
  }
  if (error != 0) {
    outcome.state = OpenState::Failed;
    outcome.error = error;
    return outcome;
  }
  for (const char* extra : {"-wal", "-shm"}) {
    if (Exists(path_ + extra)) MoveNoReplace(path_ + extra, target + extra);
  }
  outcome.set_aside = target;
  const SetAsideReason reason = outcome.reason;
  OpenOutcome fresh;
  if (!CreateFresh(fresh)) {
    wait_or_fail(fresh);
    fresh.reason = reason;
    fresh.set_aside = target;
    return fresh;
  }
  outcome.state = OpenState::SetAside;
  return outcome;
}

bool HistoryDb::OpenAgain() {
  if (db_) return true;
  if (!waiting_) return false;
  const OpenOutcome outcome = Open(path_, static_cast<std::int64_t>(std::time(nullptr)));
  // A file damaged or replaced since the last opening was set aside: that is news to the player.
  if (outcome.state == OpenState::SetAside && on_set_aside_) on_set_aside_(outcome);
  if (db_) return true;
  last_code_ = outcome.sqlite_code ? outcome.sqlite_code : SQLITE_CANTOPEN;
  last_errno_ = outcome.error;
  return false;
}

void HistoryDb::NoteFailure() {
  last_code_ = db_ ? sql_->extended_errcode(db_) : SQLITE_CANTOPEN;
  last_errno_ = db_ ? sql_->system_errno(db_) : 0;
}

bool HistoryDb::InsertGame(GameInfo& game) {
  Statement st(*sql_, db_,
               "INSERT INTO games(started, ended, kind, level, opponent, path, deck, manilha, "
               "eleven, result, player_score, opponent_score, hands, seats, voided) "
               "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,0,?,?)");
  if (!st.ok()) return false;
  st.Bind(1, game.started);
  st.Bind(2, game.ended);
  st.Bind(3, static_cast<std::int64_t>(game.kind));
  st.Bind(4, game.level);
  st.Bind(5, game.opponent);
  st.Bind(6, game.path);
  st.Bind(7, game.deck);
  st.Bind(8, game.manilha);
  st.Bind(9, game.eleven);
  st.Bind(10, static_cast<std::int64_t>(game.result));
  st.Bind(11, game.player_score);
  st.Bind(12, game.opponent_score);
  st.Bind(13, game.seats);
  st.Bind(14, static_cast<std::int64_t>(game.voided ? 1 : 0));
  if (st.Step() != SQLITE_DONE) {
    NoteFailure();
    return false;
  }
  game.id = sql_->last_insert_rowid(db_);
  return true;
}

bool HistoryDb::InsertHand(GameInfo& game, const HandRecord& hand) {
  if (game.id == 0 && !InsertGame(game)) return false;
  Statement st(*sql_, db_,
               "INSERT INTO hands(game, number, dealt, cards, moves, stake, player_points, "
               "opponent_points, winner, player_score, opponent_score) "
               "VALUES(?,?,?,?,?,?,?,?,?,?,?)");
  if (!st.ok()) return false;
  std::string cards(7, '\0');
  for (std::size_t i = 0; i < 3; ++i) {
    cards[i] = static_cast<char>(hand.player_cards[i]);
    cards[i + 3] = static_cast<char>(hand.opponent_cards[i]);
  }
  cards[6] = static_cast<char>(hand.vira);
  st.Bind(1, game.id);
  st.Bind(2, hand.number);
  st.Bind(3, hand.dealt);
  st.BindBlob(4, cards);
  st.BindBlob(5, EncodeMoves(hand.moves));
  st.Bind(6, hand.stake);
  st.Bind(7, hand.player_points);
  st.Bind(8, hand.opponent_points);
  st.Bind(9, hand.winner);
  st.Bind(10, hand.player_score);
  st.Bind(11, hand.opponent_score);
  if (st.Step() != SQLITE_DONE) {
    NoteFailure();
    return false;
  }
  Statement up(*sql_, db_,
               "UPDATE games SET hands = hands + 1, player_score = ?, opponent_score = ? "
               "WHERE id = ?");
  if (!up.ok()) return false;
  up.Bind(1, hand.player_score);
  up.Bind(2, hand.opponent_score);
  up.Bind(3, game.id);
  if (up.Step() != SQLITE_DONE) {
    NoteFailure();
    return false;
  }
  return true;
}

bool HistoryDb::WriteHand(GameInfo& game, HandRecord hand) {
  if (!keeps_hands()) {
    last_code_ = SQLITE_CANTOPEN;
    last_errno_ = 0;
    return false;
  }
  if (pending_.size() < kMaxPending) pending_.emplace_back(game, std::move(hand));
  if (!OpenAgain()) return false;
  if (!Exec("BEGIN IMMEDIATE")) {
    NoteFailure();
    StopIfDamaged();
    return false;
  }
  // Ids given inside a transaction that is rolled back must not stay behind.
  std::vector<std::pair<GameInfo, HandRecord>> work = pending_;
  bool ok = true;
  for (std::size_t i = 0; i < work.size() && ok; ++i) {
    const std::int64_t before = work[i].first.id;
    ok = InsertHand(work[i].first, work[i].second);
    if (ok && before == 0) {
      for (std::size_t j = i + 1; j < work.size(); ++j) {
        if (work[j].first.id == 0 && SameGame(work[j].first, work[i].first)) {
          work[j].first.id = work[i].first.id;
        }
      }
    }
  }
  for (std::size_t i = 0; i < pending_ends_.size() && ok; ++i) ok = UpdateEnd(pending_ends_[i]);
  if (ok) {
    if (sql_->exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
      pending_ends_.clear();
      for (const auto& [g, h] : work) {
        if (SameGame(g, game)) game.id = g.id;
      }
      pending_.clear();
      return true;
    }
    NoteFailure();
  }
  // The code and errno were taken at the step that failed, before the rollback.
  sql_->exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  StopIfDamaged();
  return false;
}

void HistoryDb::StopIfDamaged() {
  const int primary = last_code_ & 0xff;
  if (primary != SQLITE_CORRUPT && primary != SQLITE_NOTADB) return;
  // No write will get past the damage: the run keeps no more hands (the player is told so),
  // and the next open finds the damage and sets the file aside.
  Close();
  pending_.clear();
  pending_ends_.clear();
}

bool HistoryDb::EndGame(GameInfo& game) {
  // A game whose hands still wait takes its end with them.
  for (auto& [g, h] : pending_) {
    if (SameGame(g, game)) {
      g.ended = game.ended;
      g.result = game.result;
    }
  }
  if (game.id == 0) return false;
  if (!OpenAgain() || !UpdateEnd(game)) {
    // A game whose hands are all written waits with its end alone, for the next write.
    std::erase_if(pending_ends_, [&game](const GameInfo& g) { return g.id == game.id; });
    if (keeps_hands()) pending_ends_.push_back(game);
    return false;
  }
  return true;
}

bool HistoryDb::UpdateEnd(const GameInfo& game) {
  Statement st(*sql_, db_,
               "UPDATE games SET ended = ?, result = ?, player_score = ?, "
               "opponent_score = ? WHERE id = ?");
  if (!st.ok()) {
    NoteFailure();
    return false;
  }
  st.Bind(1, game.ended);
  st.Bind(2, static_cast<std::int64_t>(game.result));
  st.Bind(3, game.player_score);
  st.Bind(4, game.opponent_score);
  st.Bind(5, game.id);
  if (st.Step() != SQLITE_DONE) {
    NoteFailure();
    return false;
  }
  return true;
}

bool HistoryDb::VoidGame(GameInfo& game) {
  game.voided = true;
  for (auto& [g, h] : pending_) {
    if (SameGame(g, game)) g.voided = true;
  }
  if (!db_ || game.id == 0) return false;
  Statement st(*sql_, db_, "UPDATE games SET voided = 1 WHERE id = ?");
  if (!st.ok()) {
    NoteFailure();
    return false;
  }
  st.Bind(1, game.id);
  if (st.Step() != SQLITE_DONE) {
    NoteFailure();
    return false;
  }
  return true;
}

std::vector<GameInfo> HistoryDb::Games() const {
  std::vector<GameInfo> games;
  if (!db_) return games;
  const std::string sql =
      std::string("SELECT ") + kGameColumns + " FROM games ORDER BY started DESC, id DESC";
  Statement st(*sql_, db_, sql.c_str());
  while (st.ok() && st.Step() == SQLITE_ROW) games.push_back(GameFrom(st));
  return games;
}

std::optional<GameInfo> HistoryDb::Game(std::int64_t id) const {
  if (!db_) return std::nullopt;
  const std::string sql = std::string("SELECT ") + kGameColumns + " FROM games WHERE id = ?";
  Statement st(*sql_, db_, sql.c_str());
  st.Bind(1, id);
  if (st.ok() && st.Step() == SQLITE_ROW) return GameFrom(st);
  return std::nullopt;
}

std::vector<HandRecord> HistoryDb::Hands(std::int64_t game_id) const {
  std::vector<HandRecord> hands;
  if (!db_) return hands;
  const std::string sql =
      std::string("SELECT ") + kHandColumns + " FROM hands WHERE game = ? ORDER BY number, id";
  Statement st(*sql_, db_, sql.c_str());
  st.Bind(1, game_id);
  while (st.ok() && st.Step() == SQLITE_ROW) hands.push_back(HandFrom(st, 0));
  return hands;
}

void HistoryDb::ForEachHand(
    const std::function<void(const GameInfo&, const HandRecord&)>& visit) const {
  if (!db_) return;
  std::string sql = "SELECT ";
  for (const char* c : {"g.id", "g.started", "g.ended", "g.kind", "g.level", "g.opponent", "g.path",
                        "g.deck", "g.manilha", "g.eleven", "g.result", "g.player_score",
                        "g.opponent_score", "g.hands", "g.seats", "g.voided"}) {
    sql += c;
    sql += ", ";
  }
  sql +=
      "h.game, h.number, h.dealt, h.cards, h.moves, h.stake, h.player_points, "
      "h.opponent_points, h.winner, h.player_score, h.opponent_score "
      "FROM hands h JOIN games g ON g.id = h.game ORDER BY g.started, g.id, h.number, h.id";
  Statement st(*sql_, db_, sql.c_str());
  GameInfo game;
  while (st.ok() && st.Step() == SQLITE_ROW) {
    if (st.Int(0) != game.id) game = GameFrom(st);
    visit(game, HandFrom(st, 16));
  }
}

}  // namespace truco::history
