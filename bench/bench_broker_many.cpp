// Many games at once through one local Mosquitto, all from this one process: every game is a
// host and a guest broker link at a public table (two connections, sealed end to end), and each
// game makes a move every 250 ms, the two sides taking turns. Reported: the delivery time of a
// move from one program to the other (p50, p99) and the broker's CPU (percent of one core)
// while the games run. TRUCO_BENCH_GAMES (default 1000) and TRUCO_BENCH_SECONDS (default 20)
// change the load.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "net/broker_link.h"
#include "tests/net/mosquitto_runner.h"

namespace truco::net {
namespace {

constexpr int kMoveMs = 250;

int EnvOr(const char* name, int fallback) {
  const char* text = std::getenv(name);
  return text ? std::max(1, std::atoi(text)) : fallback;
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The CPU time (user + system) a process has used, in clock ticks.
long CpuTicks(qint64 pid) {
  QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!file.open(QIODevice::ReadOnly)) return 0;
  const QByteArray stat = file.readAll();
  const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
  // Fields after the name: state is [0], utime [11], stime [12].
  return fields.size() > 12 ? fields[11].toLong() + fields[12].toLong() : 0;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
  }
  return done();
}

struct OneGame {
  BrokerLink host;
  BrokerLink guest;
  QTimer move;
  bool host_turn = true;
};

void ManyGames(benchmark::State& bench) {
  const int games = EnvOr("TRUCO_BENCH_GAMES", 1000);
  const int seconds = EnvOr("TRUCO_BENCH_SECONDS", 20);
  // Two connections a game, and the broker (our child) inherits the limit.
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
  testing::MosquittoRunner broker({false, true});
  if (!broker.ok()) {
    bench.SkipWithError("no mosquitto");
    return;
  }
  const BrokerAddress address{"127.0.0.1", broker.port(), false};
  std::vector<std::unique_ptr<OneGame>> table;
  std::vector<double> delays_ms;
  delays_ms.reserve(std::size_t(games) * std::size_t(seconds) * 4 + 1000);
  bool measuring = false;
  for (auto _ : bench) {
    // Open the tables in batches, so the broker is not asked for all connections at once.
    for (int i = 0; i < games; ++i) {
      auto game = std::make_unique<OneGame>();
      game->host.SetBroker(address);
      game->guest.SetBroker(address);
      LobbyEntry entry;
      entry.host_name = "H" + std::to_string(i);
      game->host.HostPublic(entry);
      for (BrokerLink* side : {&game->host, &game->guest}) {
        QObject::connect(side, &BrokerLink::messageReceived, [&](const Message& m) {
          const auto* chat = std::get_if<Chat>(&m);
          if (!chat || !measuring) return;
          delays_ms.push_back(double(NowNs() - std::stoll(chat->line)) / 1e6);
        });
      }
      table.push_back(std::move(game));
      if (i % 100 == 99 || i == games - 1) {
        const std::size_t from = table.size() - std::size_t(i % 100 + 1);
        WaitFor(
            [&] {
              return std::all_of(table.begin() + std::ptrdiff_t(from), table.end(), [](auto& g) {
                return g->host.state() == BrokerLink::State::Waiting;
              });
            },
            30000);
        for (std::size_t k = from; k < table.size(); ++k) {
          table[k]->guest.JoinPublic(table[k]->host.tableId());
        }
        WaitFor(
            [&] {
              return std::all_of(table.begin() + std::ptrdiff_t(from), table.end(),
                                 [](auto& g) { return g->guest.isConnected(); });
            },
            30000);
      }
    }
    const auto connected = std::count_if(table.begin(), table.end(), [](auto& g) {
      return g->host.isConnected() && g->guest.isConnected();
    });
    if (connected != games) {
      bench.SkipWithError("not every game reached its table");
      return;
    }
    std::mt19937 rng(7);
    for (auto& game : table) {
      OneGame* g = game.get();
      g->move.setInterval(kMoveMs);
      QObject::connect(&g->move, &QTimer::timeout, [g] {
        BrokerLink& mover = g->host_turn ? g->host : g->guest;
        g->host_turn = !g->host_turn;
        mover.Send(Chat{std::to_string(NowNs())});
      });
      // Spread the games over the 250 ms, as players are.
      QTimer::singleShot(int(rng() % kMoveMs), &g->move, [g] { g->move.start(); });
    }
    // A second to settle, then the measured run.
    WaitFor([] { return false; }, 1000);
    measuring = true;
    const long before = CpuTicks(broker.pid());
    QElapsedTimer clock;
    clock.start();
    WaitFor([] { return false; }, seconds * 1000);
    const double wall = double(clock.elapsed()) / 1000.0;
    const long after = CpuTicks(broker.pid());
    measuring = false;
    for (auto& game : table) game->move.stop();
    std::sort(delays_ms.begin(), delays_ms.end());
    const auto at = [&](double q) {
      return delays_ms.empty() ? 0.0 : delays_ms[std::size_t(q * double(delays_ms.size() - 1))];
    };
    bench.counters["games"] = games;
    bench.counters["moves"] = double(delays_ms.size());
    bench.counters["moves_per_s"] = double(delays_ms.size()) / wall;
    bench.counters["p50_ms"] = at(0.50);
    bench.counters["p99_ms"] = at(0.99);
    bench.counters["max_ms"] = delays_ms.empty() ? 0.0 : delays_ms.back();
    bench.counters["broker_cpu_pct"] =
        100.0 * double(after - before) / double(sysconf(_SC_CLK_TCK)) / wall;
  }
  table.clear();
}
BENCHMARK(ManyGames)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace truco::net

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
