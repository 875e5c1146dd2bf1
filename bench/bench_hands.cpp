// Whole hands per second: deal, up to three tricks, scoring, with the production random source
// (reseeded from the clock at every deal), the computer against a random player.
#include <benchmark/benchmark.h>

#include "engine/game.h"
#include "opponent/computer.h"

namespace truco {
namespace {

// Answers every box at once: information boxes, questions and the truco dialog at random.
class QuietScreen final : public Screen {
 public:
  explicit QuietScreen(ClockRandom& random) : random_(random) {}
  bool MOSTRA_MENSAGEM(const std::string&, int kind) override {
    return kind == 1 || random_.Uniform(2) == 0;
  }
  void Mensagem(const std::vector<std::string>&, int) override {}
  bool Confirma(const std::vector<std::string>&) override { return false; }
  char MOSTRA_TRUCO(const TrucoDialogRequest& request) override {
    const int n = random_.Uniform(request.raise_offered ? 3 : 2);
    return n == 0 ? kAnswerAccept : (n == 1 ? kAnswerRun : kAnswerRaise);
  }
  GameKindChoice EscolhaJogo() override { return {true, GameKind::ContraPC, "BANCO"}; }
  void SubmitRecord(const std::string&, int, int, int) override {}

 private:
  ClockRandom& random_;
};

void PlayHands(benchmark::State& bench, bool betting) {
  ClockRandom chance;
  ClockRandom player;
  QuietScreen screen(player);
  ComputerJudgement judgement;
  Game game(screen, chance, judgement);
  game.BInicioClick();
  std::uint64_t hands = 0;
  for (auto _ : bench) {
    const std::uint64_t start = game.deals();
    // One hand: random clicks (and, with betting, calls, runs and hidden cards) until a new deal.
    while (game.deals() == start) {
      const int roll = player.Uniform(100);
      if (betting && roll < 6) {
        game.BTrucarClick();
      } else if (betting && roll < 7) {
        game.BCorrerClick();
      } else if (betting && roll < 10) {
        game.BEsconderClick();
      } else {
        game.CartaJClick(player.Uniform(3));
      }
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
