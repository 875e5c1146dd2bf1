#pragma once
// The history of every hand played, kept in an SQLite database in the player's data folder.
//
// Plain C++ (no Qt), so it runs headless in tests and tools. A hand is written in one
// transaction when it ends; a write that fails is kept and tried again with the next hand, and
// play never waits for the database longer than its busy timeout. A database that cannot be
// opened, is damaged or comes from a newer program is set aside under a dated name, never
// deleted or written over, and a fresh one is begun.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/cards.h"

struct sqlite3;

namespace truco::history {

struct SqliteLibrary;

enum class Who : std::uint8_t { Player = 0, Opponent = 1 };

enum class MoveKind : std::uint8_t {
  Card = 0,        // value: card code
  HiddenCard = 1,  // value: card code (0 when the other person's hidden card stays unknown)
  Call = 2,        // value: the stake called (3, 6, 9, 12)
  Answer = 3,      // value: 'S' accept, 'N' run, '+' raise, '*' closed without answer
  Eleven = 4,      // value: 1 plays the hand of eleven, 0 gives it up
  Trick = 5,       // value: trick * 4 + TrickResult; `who` is the trick's taker (Player on a tie)
};

enum class TrickResult : std::uint8_t { Tie = 0, Player = 1, Opponent = 2 };

// Whether the player's move followed "Dica" (only on the player's moves).
enum class Hint : std::uint8_t { None = 0, Followed = 1, Ignored = 2 };

struct Move {
  MoveKind kind = MoveKind::Card;
  Who who = Who::Player;
  std::uint8_t value = 0;
  Hint hint = Hint::None;
  // In a game in pairs, `who` is the team; this marks the move of the player's partner (Player)
  // or of the opponent who plays after the partner (Opponent). Always false one against one.
  bool partner = false;
  friend bool operator==(const Move&, const Move&) = default;
};

// A card in one byte: 0 unknown, else value * 4 + suit + 1.
std::uint8_t CardCode(Card card);
std::optional<Card> CardFromCode(std::uint8_t code);

enum class OpponentKind : std::uint8_t { Computer = 0, Network = 1 };
enum class GameResult : std::uint8_t { Unfinished = 0, Won = 1, Lost = 2 };
// Players at the table: one against one, or two against two (the player's seat's view).
inline constexpr int kSeatsOneAgainstOne = 2;
inline constexpr int kSeatsPairs = 4;

// "Clássico", "Forte", "Mestre" as the level names of the computer.
struct GameInfo {
  std::int64_t id = 0;
  std::int64_t started = 0;  // unix seconds
  std::int64_t ended = 0;    // 0: not ended (given up, restarted, program closed)
  OpponentKind kind = OpponentKind::Computer;
  std::string level;     // the computer's level; empty over the network
  std::string opponent;  // the other person's name; the computer's over the network
  std::string path;      // "direta" or "internet" over the network
  std::string deck;      // "Sujo" / "Limpo"
  std::string manilha;   // "Nova" / "Velha"
  std::string eleven;    // "Normal" / "No Escuro"
  GameResult result = GameResult::Unfinished;
  int player_score = 0;
  int opponent_score = 0;
  int hands = 0;
  int seats = kSeatsOneAgainstOne;  // kSeatsPairs: "player" and "opponent" are teams
  bool voided = false;  // a cheat caught over the network voided it: never counted
  friend bool operator==(const GameInfo&, const GameInfo&) = default;
};

struct HandRecord {
  std::int64_t game_id = 0;
  int number = 0;                                // 1.. within its game
  std::int64_t dealt = 0;                        // unix seconds
  std::array<std::uint8_t, 3> player_cards{};    // card codes, deal order
  std::array<std::uint8_t, 3> opponent_cards{};  // 0 where never shown
  std::uint8_t vira = 0;                         // 0: none shown ("Manilha Velha")
  std::vector<Move> moves;
  int stake = 1;
  int player_points = 0;    // gained in this hand
  int opponent_points = 0;  // gained by the other side
  int winner = -1;          // -1 none (three ties), else static_cast<int>(Who)
  int player_score = 0;     // the score after the hand
  int opponent_score = 0;
  friend bool operator==(const HandRecord&, const HandRecord&) = default;
};

// The move list as bytes (two per move) and back; nullopt for bytes that are no move list.
std::string EncodeMoves(const std::vector<Move>& moves);
std::optional<std::vector<Move>> DecodeMoves(const std::string& bytes);

// How the database came to be open.
enum class OpenState : std::uint8_t {
  Opened,    // an existing database of this or an older version
  Created,   // none was there: a fresh one
  SetAside,  // the old one was moved to `set_aside` and a fresh one begun
  Failed,    // no history this run (`error` says why); play goes on
  Waiting,   // there, but busy or out of room now: kept as it is, opened at the next write
};
enum class SetAsideReason : std::uint8_t { None, Unopenable, Damaged, Newer };

struct OpenOutcome {
  OpenState state = OpenState::Failed;
  SetAsideReason reason = SetAsideReason::None;
  std::string set_aside;  // the dated name the old file got
  int sqlite_code = 0;    // SQLite's result code of the step that failed
  int error = 0;          // errno where a file call failed
  std::string detail;     // SQLite's own message, for logs only
};

class HistoryDb {
 public:
  static constexpr int kSchemaVersion = 3;
  // How long a write waits for another copy of the program that is writing at the same moment.
  static constexpr int kBusyTimeoutMs = 250;
  // Hands kept in memory while writes fail, to be written with the next one that works.
  static constexpr std::size_t kMaxPending = 256;

  HistoryDb();
  ~HistoryDb();
  HistoryDb(const HistoryDb&) = delete;
  HistoryDb& operator=(const HistoryDb&) = delete;

  // Opens `path`, or sets a bad one aside and begins afresh. `now` names the set-aside file.
  // A file that is only busy or out of room is left as it is (Waiting): each write tries again.
  OpenOutcome Open(const std::string& path, std::int64_t now);
  [[nodiscard]] bool is_open() const { return db_ != nullptr; }
  // Open, or waiting to be opened by the next write.
  [[nodiscard]] bool keeps_hands() const { return db_ != nullptr || waiting_; }
  // Closes an open database, and SQLite with it, until the next write or OpenAgain opens it
  // again: the start checks the file, and a run that never finishes a hand maps no SQLite.
  void Park();
  // Told when an opening after the first (a parked or waiting history) sets the file aside.
  void set_on_set_aside(std::function<void(const OpenOutcome&)> tell) {
    on_set_aside_ = std::move(tell);
  }
  // A waiting history tries to open again (a window about to read it asks): true when open.
  bool OpenAgain();
  [[nodiscard]] const std::string& path() const { return path_; }
  void Close();

  // Writes a finished hand, with its game: the game's row is made by the first hand that is
  // written, and `game` gets its id. Hands that failed earlier are written first, in the same
  // transaction. False when this write failed; the hand then waits in memory.
  bool WriteHand(GameInfo& game, HandRecord hand);
  // The game is over: its end, result and final score. When this write fails the end waits in
  // memory, with the game's waiting hands or alone, for the next write.
  bool EndGame(GameInfo& game);
  // The game was voided (a cheat caught in its deal): marked so, whether it ended or not.
  bool VoidGame(GameInfo& game);
  [[nodiscard]] std::size_t pending() const { return pending_.size(); }
  // SQLite's code of the last failed write (SQLITE_FULL, SQLITE_BUSY, ...), and errno then.
  [[nodiscard]] int last_code() const { return last_code_; }
  [[nodiscard]] int last_errno() const { return last_errno_; }

  // Reading: games newest first, a game's hands in order, every hand in order of games.
  std::vector<GameInfo> Games() const;
  std::optional<GameInfo> Game(std::int64_t id) const;
  std::vector<HandRecord> Hands(std::int64_t game_id) const;
  void ForEachHand(const std::function<void(const GameInfo&, const HandRecord&)>& visit) const;

  [[nodiscard]] sqlite3* handle() const { return db_; }
  // The SQLite functions, while a database is open (null before).
  [[nodiscard]] const SqliteLibrary* sqlite() const { return sql_.get(); }

 private:
  OpenOutcome OpenNow(const std::string& path, std::int64_t now);
  bool OpenExisting(OpenOutcome& outcome);
  bool CreateFresh(OpenOutcome& outcome);
  bool Configure(OpenOutcome& outcome);
  bool Migrate(int from, OpenOutcome& outcome);
  bool Exec(const char* sql);
  bool InsertGame(GameInfo& game);
  bool InsertHand(GameInfo& game, const HandRecord& hand);
  void NoteFailure();
  void StopIfDamaged();
  bool UpdateEnd(const GameInfo& game);

  std::unique_ptr<SqliteLibrary> sql_;
  sqlite3* db_ = nullptr;
  std::string path_;
  bool waiting_ = false;
  std::function<void(const OpenOutcome&)> on_set_aside_;
  std::vector<std::pair<GameInfo, HandRecord>> pending_;
  std::vector<GameInfo> pending_ends_;  // ends of games whose hands are all written
  int last_code_ = 0;
  int last_errno_ = 0;
};

// Busy, locked, out of room or memory: a fault that passes, not damage of the file.
bool IsPassingFault(int sqlite_code, int error);

// The name a set-aside database gets: "<path>.<YYYY-MM-DD-HHMMSS>" (UTC), with "-2", "-3", ...
// when that name is taken.
std::string SetAsideName(const std::string& path, std::int64_t now, int attempt);

}  // namespace truco::history
