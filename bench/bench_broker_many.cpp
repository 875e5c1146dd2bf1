// Many games at once through one local Mosquitto, all from this one process: every game is a
// host and a guest broker link at a public table (two connections, sealed end to end), and each
// game makes a move every 250 ms, the two sides taking turns. Reported: the delivery time of a
// move from one program to the other (p50, p99) and the broker's CPU (percent of one core)
// while the games run. The games are shared among a few threads, each with its own event loop,
// as the players' programs each have theirs. TRUCO_BENCH_GAMES (default 1000),
// TRUCO_BENCH_SECONDS (default 20) and TRUCO_BENCH_THREADS (default 16) change the load.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "bench/qt_main.h"
#include "net/link/broker_link.h"
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
  return testing::RunEventsUntil(done, ms);
}

struct OneGame {
  BrokerLink host;
  BrokerLink guest;
  QTimer move;
  bool host_turn = true;
};

// A share of the games with its own thread and event loop, as if they were that many programs:
// one thread polling all 2,000 sockets spent most of its time in poll() itself and measured its
// own queue, not the broker. Everything of a shard is made, run and destroyed in its thread.
class Shard {
 public:
  Shard() {
    context_.moveToThread(&thread_);
    thread_.start();
  }
  ~Shard() {
    Run([this] { games_.clear(); });
    thread_.quit();
    thread_.wait();
  }
  // Runs `job` in the shard's thread and waits for it.
  void Run(const std::function<void()>& job) {
    QMetaObject::invokeMethod(&context_, job, Qt::BlockingQueuedConnection);
  }

  // Opens `count` public tables and seats a guest at each; ready() once every game is connected.
  void Open(int count, const BrokerAddress& address, int first_name) {
    Run([=, this] {
      for (int i = 0; i < count; ++i) {
        auto game = std::make_unique<OneGame>();
        game->host.SetBroker(address);
        game->guest.SetBroker(address);
        LobbyEntry entry;
        entry.host_name = "H" + std::to_string(first_name + i);
        game->host.HostPublic(entry);
        for (BrokerLink* side : {&game->host, &game->guest}) {
          QObject::connect(side, &BrokerLink::messageReceived, [this](const Message& m) {
            const auto* chat = std::get_if<Chat>(&m);
            if (!chat || !measuring_.load()) return;
            delays_ms_.push_back(double(NowNs() - std::stoll(chat->line)) / 1e6);
          });
        }
        games_.push_back(std::move(game));
      }
      // Checked every 20 ms only while the tables open.
      auto* watch = new QTimer(&context_);
      QObject::connect(watch, &QTimer::timeout, watch, [this, watch] {
        const auto waiting = [](auto& g) { return g->host.state() == BrokerLink::State::Waiting; };
        if (!joined_ && std::all_of(games_.begin(), games_.end(), waiting)) {
          for (auto& g : games_) g->guest.JoinPublic(g->host.tableId());
          joined_ = true;
        }
        const auto seated = [](auto& g) { return g->host.isConnected() && g->guest.isConnected(); };
        if (joined_ && std::all_of(games_.begin(), games_.end(), seated)) {
          ready_.store(true);
          watch->deleteLater();
        }
      });
      watch->start(20);
    });
  }
  [[nodiscard]] bool ready() const { return ready_.load(); }

  // Every game moves every kMoveMs, spread over the interval as players are.
  void StartMoving(std::uint32_t seed) {
    Run([=, this] {
      std::mt19937 rng(seed);
      for (auto& game : games_) {
        OneGame* g = game.get();
        g->move.setInterval(kMoveMs);
        // A coarse timer (QTimer's default) is moved onto the same wakeups as its thread's
        // other timers: a thread then sent all its games' moves in one burst, and each delivery
        // waited behind the rest of the burst (p50 1.2 ms at 100 games, 5-9 ms at 500, 22 ms
        // at 1,000, growing with the games per thread, the broker idle meanwhile).
        g->move.setTimerType(Qt::PreciseTimer);
        QObject::connect(&g->move, &QTimer::timeout, [g] {
          BrokerLink& mover = g->host_turn ? g->host : g->guest;
          g->host_turn = !g->host_turn;
          mover.Send(Chat{std::to_string(NowNs())});
        });
        QTimer::singleShot(int(rng() % kMoveMs), &g->move, [g] { g->move.start(); });
      }
    });
  }
  void Measure(bool on) { measuring_.store(on); }
  void StopMoving() {
    Run([this] {
      for (auto& game : games_) game->move.stop();
    });
  }
  // Read once the moves stopped (after StopMoving's wait, nothing writes them).
  [[nodiscard]] const std::vector<double>& delays_ms() const { return delays_ms_; }

 private:
  QThread thread_;
  QObject context_;
  std::vector<std::unique_ptr<OneGame>> games_;
  std::vector<double> delays_ms_;
  std::atomic<bool> measuring_{false};
  std::atomic<bool> ready_{false};
  bool joined_ = false;
};

void ManyGames(benchmark::State& bench) {
  const int games = EnvOr("TRUCO_BENCH_GAMES", 1000);
  const int seconds = EnvOr("TRUCO_BENCH_SECONDS", 20);
  const int threads = std::min(games, EnvOr("TRUCO_BENCH_THREADS", 16));
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
  for (auto _ : bench) {
    std::vector<std::unique_ptr<Shard>> shards;
    // One shard's tables at a time, so the broker is not asked for all connections at once.
    int opened = 0;
    for (int k = 0; k < threads; ++k) {
      const int count = games / threads + (k < games % threads ? 1 : 0);
      shards.push_back(std::make_unique<Shard>());
      shards.back()->Open(count, address, opened);
      opened += count;
      if (!WaitFor([&] { return shards.back()->ready(); }, 30000)) {
        bench.SkipWithError("not every game reached its table");
        return;
      }
    }
    for (int k = 0; k < threads; ++k) shards[std::size_t(k)]->StartMoving(std::uint32_t(7 + k));
    // A second to settle, then the measured run.
    WaitFor([] { return false; }, 1000);
    for (auto& shard : shards) shard->Measure(true);
    const long before = CpuTicks(broker.pid());
    QElapsedTimer clock;
    clock.start();
    WaitFor([] { return false; }, seconds * 1000);
    const double wall = double(clock.elapsed()) / 1000.0;
    const long after = CpuTicks(broker.pid());
    for (auto& shard : shards) shard->Measure(false);
    for (auto& shard : shards) shard->StopMoving();
    std::vector<double> delays_ms;
    for (auto& shard : shards) {
      delays_ms.insert(delays_ms.end(), shard->delays_ms().begin(), shard->delays_ms().end());
    }
    std::sort(delays_ms.begin(), delays_ms.end());
    const auto at = [&](double q) {
      return delays_ms.empty() ? 0.0 : delays_ms[std::size_t(q * double(delays_ms.size() - 1))];
    };
    bench.counters["games"] = games;
    bench.counters["threads"] = threads;
    bench.counters["moves"] = double(delays_ms.size());
    bench.counters["moves_per_s"] = double(delays_ms.size()) / wall;
    bench.counters["p50_ms"] = at(0.50);
    bench.counters["p99_ms"] = at(0.99);
    bench.counters["max_ms"] = delays_ms.empty() ? 0.0 : delays_ms.back();
    bench.counters["broker_cpu_pct"] =
        100.0 * double(after - before) / double(sysconf(_SC_CLK_TCK)) / wall;
  }
}
BENCHMARK(ManyGames)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace truco::net

TRUCO_QT_BENCHMARK_MAIN()
