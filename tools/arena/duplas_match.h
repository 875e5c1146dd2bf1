#pragma once
// Duplicate matches between two teams of the game in pairs: every sequence of deals is played
// twice, the teams swapping seats, so each team holds in one game the cards the other held in
// the other.

#include <cstdint>
#include <functional>
#include <string>

#include "engine/duplas.h"
#include "tools/arena/match.h"

namespace truco::arena {

// "random", "rules", "forte".
bool IsDuplasPlayerName(const std::string& name);

struct DuplasGameRecord {
  int winner = -1;  // team 0 (south and north) or 1; -1 stuck
  long hands = 0;
  std::array<SideTally, 2> team{};
};

// One game to 12 with `team0` on south and north, `team1` on east and west.
DuplasGameRecord PlayOneDuplasGame(const std::string& team0, const std::string& team1,
                                   std::uint64_t game_seed, std::uint64_t players_seed,
                                   duplas::DuplasSettings settings = {});

// `games` rounded up to even, as PlayMatch; side 0 is team A.
MatchResult PlayDuplasMatch(const std::string& name_a, const std::string& name_b, long games,
                            std::uint64_t seed,
                            const std::function<void(const MatchResult&)>& progress = {});

// The command `arena --duplas TEAM_A TEAM_B [--games N] [--seed S] [--json]` (argv after
// "--duplas").
int DuplasMain(int argc, char** argv);

}  // namespace truco::arena
