// How long "Mestre" takes per decision, on one core: positions recorded from its games against
// "Forte", the classic computer and random play, each decision timed alone; the 99th percentile
// is reported as p99_ms (the goal: at most 250 ms). And "Dica", which asks "Mestre" for the
// player's seat.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

#include "opponent/hint.h"
#include "opponent/mestre.h"
#include "tools/arena/match.h"
#include "tools/arena/players.h"

namespace truco {
namespace {

// One question mestre was asked in a real game, kept to be asked again.
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
    MestreJudgement mestre(*arena::ArenaMestreData().model, 1);
    Recorder recorder(mestre);
    auto forte = arena::MakePlayer("forte", 1);
    auto classic = arena::MakePlayer("classic", 1);
    auto random = arena::MakePlayer("random", 2);
    for (std::uint64_t seed = 0; seed < 150; ++seed) {
      const Judgement& other = seed % 3 == 0 ? *forte : seed % 3 == 1 ? *classic : *random;
      arena::PlayOneGame(other, recorder, seed);
    }
    return recorder.log;
  }();
  return positions;
}

void Ask(const MestreJudgement& forte, const Decision& d) {
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

template <typename AskOne>
void Time(benchmark::State& bench, AskOne ask) {
  const auto& positions = Positions();
  std::vector<double> ms;
  ms.reserve(positions.size());
  std::size_t next = 0;
  for (auto _ : bench) {
    const Decision& d = positions[next++ % positions.size()];
    const auto start = std::chrono::steady_clock::now();
    ask(d);
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

void BM_MestreDecision(benchmark::State& bench) {
  const MestreJudgement mestre(*arena::ArenaMestreData().model, 7,
                               static_cast<int>(bench.range(0)));
  Time(bench, [&](const Decision& d) { Ask(mestre, d); });
}

// The hint asked in the same positions, from the other seat (the player's cards as dealt there).
void BM_Dica(benchmark::State& bench) {
  const MestreJudgement mestre(*arena::ArenaMestreData().model, 7);
  Time(bench, [&](const Decision& d) {
    GameState s = d.state;
    s.turn = 'L';
    s.may_play = true;
    benchmark::DoNotOptimize(DicaForPlayer(s, mestre));
  });
}

// The number of deals of the unseen cards per decision: the game's and the arena's, and more.
BENCHMARK(BM_MestreDecision)->Arg(arena::kForteSamples)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Dica)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco

BENCHMARK_MAIN();
