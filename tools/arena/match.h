#pragma once
// Duplicate matches between two players through the game's own rules: every sequence of deals
// is played twice, the players swapping seats, so the luck of the cards cancels out.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/game.h"
#include "engine/random.h"
#include "tools/arena/players.h"

namespace truco::arena {

// Chance for one game of a duplicate pair: the n-th deal of the game always draws from the same
// numbers, whatever happened before it, so both games of a pair get the same hands seat for seat
// (the cards one player held in the first game are the cards the other holds in the second).
class DuplicateRandom final : public RandomSource {
 public:
  explicit DuplicateRandom(std::uint64_t game_seed) : game_seed_(game_seed) {}
  void Reseed() override;
  int Uniform(int bound) override { return inner_.Uniform(bound); }

 private:
  std::uint64_t game_seed_;
  std::uint64_t deal_ = 0;
  ClockRandom inner_;
};

// The cards of one deal: the player's seat's three, the computer's seat's three, the vira.
struct DealtCards {
  std::array<Card, 3> player{};
  std::array<Card, 3> computer{};
  Card vira{};
};

// What one side did over some games.
struct SideTally {
  long games_won = 0;
  long hands_won = 0;
  long points = 0;
  long calls = 0;
  long calls_accepted = 0;  // by the other side
  long illegal = 0;
};

struct GameRecord {
  Side winner = Side::Player;
  long hands = 0;
  SideTally player, computer;     // by seat
  std::vector<DealtCards> deals;  // only when asked for
  bool stuck = false;             // no side could move: a fault
};

// One game to 12 points: `on_player_seat` clicks and answers the boxes, `on_computer_seat` is the
// game's judgement.
GameRecord PlayOneGame(const Judgement& on_player_seat, const Judgement& on_computer_seat,
                       std::uint64_t game_seed, bool log_deals = false, GameSettings settings = {});

struct MatchResult {
  std::string name_a, name_b;
  std::uint64_t seed = 0;
  long games = 0;
  long hands = 0;
  long stuck = 0;
  std::array<SideTally, 2> side{};  // 0: player A, 1: player B
};

struct Interval {
  double low = 0, high = 0;
};
// The 95 % Wilson score interval of `wins` in `n`.
Interval Wilson(long wins, long n);

// `games` rounded up to even: games / 2 deal sequences, each played with A on the player's seat
// and then with B there. `progress` is called after every pair.
MatchResult PlayMatch(const std::string& name_a, const std::string& name_b, long games,
                      std::uint64_t seed,
                      const std::function<void(const MatchResult&)>& progress = {},
                      int forte_samples = kForteSamples);

std::string FormatTable(const MatchResult& result);
std::string FormatJson(const MatchResult& result);

}  // namespace truco::arena
