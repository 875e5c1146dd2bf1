#pragma once
// Writes every hand of the game into the history as it ends.
//
// Against the computer it listens to the game (GameObserver). A networked hand is told through
// the same calls the observer makes (BeginGame, StartHand, AddMove, FinishHand, EndGame), since
// only the networked hand knows what the other person showed. A failed write is reported once
// per run through `on_failure`; play never waits for it.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/game.h"
#include "store/history.h"

namespace truco::history {

// "Dica"'s suggestion: the move it showed, as the history writes it. `value` 0 matches any
// value of that kind (a call of whatever stake is next).
struct Suggestion {
  MoveKind kind = MoveKind::Card;
  std::uint8_t value = 0;
};

class HistoryRecorder final : public GameObserver {
 public:
  using Clock = std::function<std::int64_t()>;
  // `db` may be closed: then nothing is kept, and the first hand reports the failure.
  explicit HistoryRecorder(HistoryDb& db, Clock clock = {});

  // The computer's level for the games that start from now on ("Clássico", "Forte", "Mestre").
  void set_level(std::string level) { level_ = std::move(level); }
  // Another observer that hears every event after the history (tests, tools).
  void set_next(GameObserver* next) { next_ = next; }
  // Called once, at the first write that fails, with SQLite's code and errno.
  void set_on_failure(std::function<void(int code, int error)> f) { on_failure_ = std::move(f); }

  // "Dica" was shown: the player's next move is marked as following it or not.
  void NoteHint(const Suggestion& suggestion) { hint_ = suggestion; }

  // The calls a networked game makes (and that the observer below makes for the computer's).
  void BeginGame(OpponentKind kind, const std::string& level, const std::string& opponent,
                 const std::string& path, const GameSettings& settings,
                 int seats = kSeatsOneAgainstOne);
  void StartHand(const std::array<std::uint8_t, 3>& player_cards, std::uint8_t vira);
  void AddMove(Move move);
  void RevealOpponentCard(int slot, std::uint8_t code);
  // The hand is over: its stake, what each side gained, the winner (-1 none), the score after.
  void FinishHand(int stake, int player_gain, int opponent_gain, int winner, int player_score,
                  int opponent_score);
  // The game is over (`won` by the player) or was left (nullopt: restarted, cut off).
  void EndGame(std::optional<bool> won);
  // The game was voided by a cheat: the open one (then left), or else, when `last_ended` (the
  // cheated hand ended it), the game that ended last.
  void VoidGame(bool last_ended);

  [[nodiscard]] bool hand_open() const { return hand_.has_value(); }
  [[nodiscard]] const GameInfo& game() const { return game_; }
  [[nodiscard]] long hands_written() const { return written_; }
  [[nodiscard]] bool failure_told() const { return failure_told_; }

  // GameObserver: games against the computer.
  void OnDeal(const GameState& s) override;
  void OnTrick(const GameState& s, int trick) override;
  void OnPoints(const GameState& s, Side side, int before, PointsReason reason) override;
  void OnGameEnd(const GameState& s, Side winner) override;
  void OnCard(const GameState& s, Side side, CardId id, bool hidden) override;
  void OnCall(const GameState& s, Side caller, int stake) override;
  void OnAnswer(const GameState& s, Side answerer, char answer) override;
  void OnEleven(const GameState& s, Side side, bool plays) override;

 private:
  [[nodiscard]] std::int64_t Now() const;
  void Write();
  static Who WhoOf(Side side) { return side == Side::Player ? Who::Player : Who::Opponent; }

  HistoryDb& db_;
  Clock clock_;
  std::string level_ = "Clássico";
  GameObserver* next_ = nullptr;
  std::function<void(int, int)> on_failure_;
  std::optional<Suggestion> hint_;
  bool game_open_ = false;
  GameInfo game_;
  std::optional<GameInfo> last_ended_;  // the game EndGame closed last
  std::optional<HandRecord> hand_;
  int last_player_score_ = 0;
  int last_opponent_score_ = 0;
  long written_ = 0;
  bool failure_told_ = false;
};

// The settings as the history writes them.
std::string DeckText(char deck_type);
std::string ManilhaText(ManilhaMode mode);
std::string ElevenText(int eleven_mode);

}  // namespace truco::history
