#pragma once
// What a networked hand tells the player's history: each hand as this seat saw it, once it ends
// (a hand cut off and taken up again is told once, whole), and the end of a game. Kept apart from
// the database so the networked hand stays plain C++ (the fuzzing build has no SQLite).

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/cards.h"
#include "engine/state.h"

namespace truco::history {
class HistoryRecorder;
}

namespace truco::net {

// One move as this seat saw it.
struct SeenMove {
  enum class Kind : std::uint8_t { Card, HiddenCard, Call, Answer, Eleven, Trick };
  Kind kind = Kind::Card;
  bool own = true;           // this seat's move; a trick: this seat took it, or it tied
  std::optional<Card> card;  // a card: only when this seat saw its face
  int value = 0;  // a card: its slot; call: the stake; answer: 'S', 'N', '+'; eleven: 1 plays;
                  // trick: trick * 4 + (0 tie, 1 this seat, 2 the other)
  friend bool operator==(const SeenMove&, const SeenMove&) = default;
};

struct SeenHand {
  std::array<std::optional<Card>, 3> own_cards;
  std::optional<Card> vira;
  std::vector<SeenMove> moves;
  std::array<std::optional<Card>, 3> shown;  // the other's cards played face up, by slot
  int stake = 1;
  int own_gain = 0;
  int other_gain = 0;
  int winner = -1;    // -1 nobody (three ties), 0 this seat, 1 the other
  int own_score = 0;  // the score after the hand
  int other_score = 0;
};

class HandHistory {
 public:
  virtual ~HandHistory() = default;
  // `path`: "direta" or "internet", as the game's first hand travelled.
  virtual void HandEnded(const std::string& opponent, const std::string& path,
                         const GameSettings& settings, const SeenHand& hand) = 0;
  // `won` by this seat; nullopt: the game was left (restart, a connection not taken up again).
  virtual void GameEnded(std::optional<bool> won) = 0;
  // A cheat voided the game: the one open, or, when `ended_by_the_hand`, the one that the
  // cheated hand ended.
  virtual void GameVoided(bool ended_by_the_hand) = 0;
};

// The history's own writer behind HandHistory.
std::unique_ptr<HandHistory> MakeHandHistory(history::HistoryRecorder& recorder);

}  // namespace truco::net
