// The history: writing one hand (at most 1 ms), and opening "Estatísticas" over 100,000 hands
// (at most 300 ms to the first chart). `--fill=PATH` instead writes a history of random games
// against Clássico and Forte into PATH (for looking at the windows) and ends.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QTabWidget>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "engine/game.h"
#include "opponent/computer.h"
#include "opponent/forte.h"
#include "store/history.h"
#include "store/history_recorder.h"
#include "store/history_stats.h"
#include "tests/engine/random_player.h"
#include "ui/formhistory.h"

namespace truco {
namespace {

std::string TempPath(const char* name) {
  return "/tmp/truco-bench-" + std::to_string(::getpid()) + "-" + name;
}

void Remove(const std::string& path) {
  for (const char* extra : {"", "-wal", "-shm"}) std::remove((path + extra).c_str());
}

// Plays `hands` hands of random clicks against the computer at `level`, into `db`.
void PlayInto(history::HistoryDb& db, long hands, bool forte, std::int64_t start, long step) {
  ClockRandom chance;
  ClockRandom player;
  testing::RandomScreen screen(player);
  ComputerJudgement classic;
  ForteJudgement strong;
  const Judgement& judgement = forte ? static_cast<const Judgement&>(strong) : classic;
  Game game(screen, chance, judgement);
  std::int64_t now = start;
  history::HistoryRecorder recorder(db, [&now, step] { return now += step; });
  recorder.set_level(forte ? "Forte" : "Clássico");
  game.set_observer(&recorder);
  game.BInicioClick();
  while (recorder.hands_written() < hands) {
    testing::RandomEvent(game, player, /*betting=*/true, /*restarts=*/false);
  }
}

void BM_WriteHand(benchmark::State& bench) {
  const std::string path = TempPath("write.sqlite");
  Remove(path);
  history::HistoryDb db;
  db.Open(path, 0);
  history::GameInfo game;
  game.level = "Forte";
  history::HandRecord hand;
  hand.player_cards = {5, 9, 13};
  hand.opponent_cards = {17, 21, 25};
  for (int i = 0; i < 12; ++i) {
    hand.moves.push_back({history::MoveKind::Card, history::Who::Player, 9});
  }
  for (auto _ : bench) {
    ++hand.number;
    if (!db.WriteHand(game, hand)) bench.SkipWithError("write failed");
  }
  db.Close();
  Remove(path);
}
BENCHMARK(BM_WriteHand)->Unit(benchmark::kMicrosecond);

// From the menu entry to the first chart: the statistics read and every chart built.
void BM_OpenStatistics(benchmark::State& bench) {
  const std::string path = TempPath("stats.sqlite");
  Remove(path);
  history::HistoryDb db;
  db.Open(path, 0);
  const std::int64_t now = std::time(nullptr);
  PlayInto(db, 50'000, false, now - 400 * history::kDay, 300);
  PlayInto(db, 50'000, true, now - 200 * history::kDay, 300);
  TFormEstatisticas window(db, nullptr, [now] { return now; });
  for (auto _ : bench) {
    window.Reload();
    benchmark::DoNotOptimize(window.charts()->count());
  }
  bench.counters["hands"] = static_cast<double>(window.stats().hands);
  db.Close();
  Remove(path);
}
BENCHMARK(BM_OpenStatistics)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace truco

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--fill=", 7) == 0) {
      truco::history::HistoryDb db;
      db.Open(argv[i] + 7, std::time(nullptr));
      const std::int64_t now = std::time(nullptr);
      truco::PlayInto(db, 400, false, now - 60 * truco::history::kDay, 3000);
      truco::PlayInto(db, 300, true, now - 20 * truco::history::kDay, 3000);
      return 0;
    }
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
