// How long "Forte" takes per decision, on one core: positions recorded from games against the
// classic computer, each decision timed alone; the 99th percentile is reported as p99_ms.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "opponent/forte.h"
#include "tools/arena/match.h"
#include "tools/arena/players.h"

namespace truco {
namespace {

// One question forte was asked in a real game, kept to be asked again.
struct Decision {
  GameState state;
  int kind = 0;  // 0 answer, 1 lead, 2 lead call, 3 third-trick call, 4 call answer, 5 eleven
  int player_strength = 0;
  int own_strength = 0;
  Rung rung = Rung::Trucar;
};

class Recorder final : public Judgement {
 public:
  explicit Recorder(const Judgement& inner) : inner_(inner) {}
  AnswerChoice ChooseAnswer(const GameState& s, int p) const override {
    log.push_back({s, 0, p, 0, Rung::Trucar});
    return inner_.ChooseAnswer(s, p);
  }
  LeadChoice ChooseLead(const GameState& s) const override {
    log.push_back({s, 1, 0, 0, Rung::Trucar});
    return inner_.ChooseLead(s);
  }
  bool WantsLeadCall(const GameState& s) const override {
    log.push_back({s, 2, 0, 0, Rung::Trucar});
    return inner_.WantsLeadCall(s);
  }
  bool WantsThirdTrickCall(const GameState& s, int p, int own) const override {
    log.push_back({s, 3, p, own, Rung::Trucar});
    return inner_.WantsThirdTrickCall(s, p, own);
  }
  CallReply AnswerCall(const GameState& s, Rung rung) const override {
    log.push_back({s, 4, 0, 0, rung});
    return inner_.AnswerCall(s, rung);
  }
  bool PlaysHandOfEleven(const GameState& s) const override {
    log.push_back({s, 5, 0, 0, Rung::Trucar});
    return inner_.PlaysHandOfEleven(s);
  }
  mutable std::vector<Decision> log;

 private:
  const Judgement& inner_;
};

const std::vector<Decision>& Positions() {
  static const std::vector<Decision> positions = [] {
    ForteJudgement forte(1);
    Recorder recorder(forte);
    auto classic = arena::MakePlayer("classic", 1);
    auto random = arena::MakePlayer("random", 2);
    for (std::uint64_t seed = 0; seed < 150; ++seed) {
      arena::PlayOneGame(seed % 2 ? *classic : *random, recorder, seed);
    }
    return recorder.log;
  }();
  return positions;
}

void Ask(const ForteJudgement& forte, const Decision& d) {
  switch (d.kind) {
    case 0:
      benchmark::DoNotOptimize(forte.ChooseAnswer(d.state, d.player_strength));
      break;
    case 1:
      benchmark::DoNotOptimize(forte.ChooseLead(d.state));
      break;
    case 2:
      benchmark::DoNotOptimize(forte.WantsLeadCall(d.state));
      break;
    case 3:
      benchmark::DoNotOptimize(
          forte.WantsThirdTrickCall(d.state, d.player_strength, d.own_strength));
      break;
    case 4:
      benchmark::DoNotOptimize(forte.AnswerCall(d.state, d.rung));
      break;
    default:
      benchmark::DoNotOptimize(forte.PlaysHandOfEleven(d.state));
      break;
  }
}

void BM_ForteDecision(benchmark::State& bench) {
  const auto& positions = Positions();
  const ForteJudgement forte(7, static_cast<int>(bench.range(0)));
  std::vector<double> ms;
  ms.reserve(positions.size());
  std::size_t next = 0;
  for (auto _ : bench) {
    const Decision& d = positions[next++ % positions.size()];
    const auto start = std::chrono::steady_clock::now();
    Ask(forte, d);
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
  bench.counters["positions"] = static_cast<double>(positions.size());
}

// The number of deals of the unseen cards per decision: the arena's default, and more.
BENCHMARK(BM_ForteDecision)->Arg(arena::kForteSamples)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco

BENCHMARK_MAIN();
