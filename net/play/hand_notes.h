#pragma once
// What one side notes of the whole game's hands for the player's history: each hand's moves as
// this seat saw them, told when the hand ends (a hand cut off and taken up again is told once,
// whole), and the end of each game: won, lost, left or voided by a cheat.

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "net/play/hand_history.h"
#include "net/play/hand_state.h"
#include "net/play/table_replica.h"

namespace truco::net {

class HandNotes {
 public:
  // Where the notes go (nullptr: nowhere); a game under way is not carried over.
  void set_history(std::unique_ptr<HandHistory> history);
  // The path the game travels, as the history names it: "direta" or "internet".
  void set_path(std::string path) { path_ = std::move(path); }

  // A hand starts; one taken up again after a cut goes on with what was noted before it.
  void Begin(bool resumed);
  void Note(SeenMove::Kind kind, bool own, std::optional<Card> card, int value);
  // The hand ended as the table says; `hand` is this side's picture of it (`own_seat` in it).
  void End(const TableReplica::HandEnd& end, const HandState& hand, std::size_t own_seat,
           const std::string& opponent);
  // The game was left (a restart, a connection not taken up again).
  void GameLeft();
  // A cheat voided the game: the one open, or, when `ended_by_the_hand`, the one it ended.
  void GameVoided(bool ended_by_the_hand);

 private:
  std::unique_ptr<HandHistory> history_;
  std::string path_ = "direta";
  SeenHand seen_;
  bool open_ = false;           // a hand is being noted (kept across a cut connection)
  bool game_ = false;           // a game has hands in the history
  std::array<int, 2> score_{};  // the score after its last hand (host, guest)
};

}  // namespace truco::net
