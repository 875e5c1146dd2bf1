// The game in pairs on one core: whole hands with four rule-based seats (deal, signs, calls,
// tricks, points), and the sampling player's time per decision with its 99th percentile (p99_ms)
// over positions recorded from games against the rule-based team.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "opponent/duplas_players.h"

namespace truco::duplas {
namespace {

void BM_DuplasHandsRules(benchmark::State& bench) {
  ClockRandom chance;
  chance.Seed(1);
  DuplasGame game(chance);
  DuplasRules rules;
  const std::array<DuplasPlayer*, kNumSeats> players{&rules, &rules, &rules, &rules};
  long hands = 0;
  for (auto _ : bench) {
    game.Deal();
    for (int seat = 0; seat < kNumSeats; ++seat) {
      game.ShowSign(seat, rules.ChooseSign(ViewOf(game.state(), seat)));
    }
    while (StepComputer(game, players)) {
    }
    ++hands;
  }
  bench.counters["hands_per_s"] =
      benchmark::Counter(static_cast<double>(hands), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DuplasHandsRules);

struct Position {
  DuplasState state;
  int seat = 0;
  Due due;
};

const std::vector<Position>& Positions() {
  static const std::vector<Position> positions = [] {
    std::vector<Position> out;
    ClockRandom chance;
    chance.Seed(2);
    DuplasGame game(chance);
    DuplasRules rules;
    DuplasForte forte(3);
    const std::array<DuplasPlayer*, kNumSeats> players{&forte, &rules, &forte, &rules};
    while (out.size() < 3000) {
      const Due due = game.NextDue();
      if (due.kind == Due::Kind::Deal) {
        game.Deal();
        continue;
      }
      const int seat =
          due.kind == Due::Kind::Play ? due.seat : DecidingSeat(game.state(), due.team);
      if (TeamOf(seat) == 0) out.push_back({game.state(), seat, due});
      StepComputer(game, players);
    }
    return out;
  }();
  return positions;
}

void BM_DuplasForteDecision(benchmark::State& bench) {
  const auto& positions = Positions();
  DuplasForte forte(7, static_cast<int>(bench.range(0)));
  std::vector<double> ms;
  std::size_t next = 0;
  for (auto _ : bench) {
    const Position& p = positions[next++ % positions.size()];
    const DuplasView v = ViewOf(p.state, p.seat);
    const auto start = std::chrono::steady_clock::now();
    switch (p.due.kind) {
      case Due::Kind::Play:
        benchmark::DoNotOptimize(forte.ChooseCard(v));
        if (v.may_call) benchmark::DoNotOptimize(forte.WantsCall(v));
        break;
      case Due::Kind::Answer:
        benchmark::DoNotOptimize(forte.Answer(v));
        break;
      default:
        benchmark::DoNotOptimize(forte.PlaysEleven(v));
        break;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count());
  }
  std::sort(ms.begin(), ms.end());
  auto at = [&](double q) {
    return ms.empty() ? 0.0 : ms[static_cast<std::size_t>(q * static_cast<double>(ms.size() - 1))];
  };
  bench.counters["p50_ms"] = at(0.50);
  bench.counters["p99_ms"] = at(0.99);
  bench.counters["max_ms"] = ms.empty() ? 0.0 : ms.back();
}
// The arena's default deals per decision, and more.
BENCHMARK(BM_DuplasForteDecision)->Arg(96)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco::duplas

BENCHMARK_MAIN();
