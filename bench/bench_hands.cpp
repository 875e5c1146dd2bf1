// Whole hands per second: deal, up to three tricks, scoring, with the production random source
// (reseeded from the clock at every deal), the computer against a random player.
#include <benchmark/benchmark.h>

#include "engine/game.h"
#include "opponent/computer.h"
#include "tests/engine/random_player.h"

namespace truco {
namespace {

void PlayHands(benchmark::State& bench, bool betting) {
  ClockRandom chance;
  ClockRandom player;
  testing::RandomScreen screen(player);
  ComputerJudgement judgement;
  Game game(screen, chance, judgement);
  game.BInicioClick();
  std::uint64_t hands = 0;
  for (auto _ : bench) {
    const std::uint64_t start = game.deals();
    // One hand: random clicks (and, with betting, calls, runs and hidden cards) until a new deal.
    while (game.deals() == start) {
      testing::RandomEvent(game, player, betting, /*restarts=*/false);
    }
    hands += game.deals() - start;
  }
  bench.counters["hands/s"] =
      benchmark::Counter(static_cast<double>(hands), benchmark::Counter::kIsRate);
}

void BM_HandsWithoutBets(benchmark::State& state) { PlayHands(state, false); }
void BM_HandsWithRandomBetting(benchmark::State& state) { PlayHands(state, true); }

BENCHMARK(BM_HandsWithoutBets);
BENCHMARK(BM_HandsWithRandomBetting);

}  // namespace
}  // namespace truco

BENCHMARK_MAIN();
