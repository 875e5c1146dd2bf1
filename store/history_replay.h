#pragma once
// A recorded hand at one of its steps: what each seat still holds and what lies on the table,
// for the replay in "Histórico" (plain C++, checked by tests against the game itself).

#include <string>
#include <vector>

#include "store/history.h"

namespace truco::history {

struct TableCardAt {
  Who who = Who::Player;
  std::uint8_t code = 0;
  bool hidden = false;
  int trick = 1;  // 1..3
};

struct TableAt {
  std::vector<std::uint8_t> player_hand;    // still held, deal order
  std::vector<std::uint8_t> opponent_hand;  // still held (0 where never known)
  std::vector<TableCardAt> table;           // played so far, in order
  std::string last;                         // the last move in words, empty at step 0
};

// The hand after its first `step` moves (0: as dealt; moves().size(): as it ended).
TableAt ReplayAt(const HandRecord& hand, std::size_t step);

// A move as a sentence: "Você jogou Ás de Copas", "O adversário pediu 3", ...
std::string MoveSentence(const Move& move);

}  // namespace truco::history
