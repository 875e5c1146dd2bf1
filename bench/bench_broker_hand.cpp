// A whole networked hand through a local Mosquitto, as two players play it: the same hand as
// bench_net_hand (deal, a call and its answer, the tricks, the points, the next deal), each
// message sealed end to end and carried by the broker. The benchmark starts its own Mosquitto on
// a free loopback port with the shipped ACL, and stops it at the end. Both protocol versions:
// version 2 (the host deals) shows the path, version 3 the path and the joint deal.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <optional>

#include "bench/quiet_screen.h"
#include "engine/game.h"
#include "net/broker_link.h"
#include "net/networked_hand.h"
#include "opponent/computer.h"
#include "tests/net/mosquitto_runner.h"

namespace truco::net {
namespace {

struct Program final : HandOutput {
  bool Send(const Message& message) override { return connection.Send(message); }
  void SetMessagePanel(const std::string&) override {}
  void SetOpponentName(const std::string&) override {}
  void AppendChat(const std::string&) override {}
  void Tell(const std::string&) override {}
  // The dialogs are answered from the loop, never from inside the hand.
  void AskTruco(const TrucoDialogRequest&) override { truco_asked = true; }
  void Ask(Question question, const std::string&) override { asked = question; }
  void CancelAsk() override {
    truco_asked = false;
    asked.reset();
  }

  explicit Program(Side which) : side(which) {
    game.set_networked_play(&hand);
    QObject::connect(&connection, &BrokerLink::messageReceived,
                     [this](const Message& m) { hand.Receive(m); });
  }
  [[nodiscard]] char Own() const { return side == Side::Host ? 'S' : 'C'; }

  // One move of this side's player, if it has one: true when it acted.
  bool Act(bool& called) {
    if (truco_asked) {
      truco_asked = false;
      hand.AnswerTruco(kAnswerAccept);
      return true;
    }
    if (asked) {
      const Question question = *asked;
      asked.reset();
      hand.Answer(question, true);
      return true;
    }
    if (hand.actor() != Own()) return false;
    const GameState& s = game.state();
    if (!called && s.BTrucar.enabled && s.BTrucar.visible) {
      called = true;
      game.BTrucarClick();
      return true;
    }
    if (!s.may_play) return false;
    for (int i = 0; i < 3; ++i) {
      if (s.InHand(static_cast<CardId>(kCartaJ1 + i))) {
        game.CartaJClick(i);
        return true;
      }
    }
    return false;
  }

  Side side;
  QuietScreen screen;
  ClockRandom random;
  ComputerJudgement judgement;
  Game game{screen, random, judgement};
  NetworkedHand hand{game, random, *this};
  BrokerLink connection;
  bool truco_asked = false;
  std::optional<Question> asked;
};

bool WaitFor(const std::function<bool()>& done) {
  return testing::RunEventsUntil(done, 5000);
}

// Argument: the protocol version both sides speak. Version 2 measures what the broker path adds
// to a hand; version 3 adds the joint deal's multiplications, the same on any path.
void WholeHand(benchmark::State& bench) {
  Program host(Side::Host);
  Program guest(Side::Guest);
  const auto version = static_cast<int>(bench.range(0));
  host.hand.set_max_version(version);
  guest.hand.set_max_version(version);
  host.hand.Prepare(Side::Host, "HOSTE");
  guest.hand.Prepare(Side::Guest, "ANA");
  testing::MosquittoRunner broker({false, true});
  if (!broker.ok()) {
    bench.SkipWithError("no mosquitto");
    return;
  }
  const BrokerAddress address{"127.0.0.1", broker.port(), false};
  host.connection.SetBroker(address);
  guest.connection.SetBroker(address);
  LobbyEntry entry;
  entry.host_name = "HOSTE";
  if (!host.connection.HostPublic(entry) ||
      !WaitFor([&] { return host.connection.state() == BrokerLink::State::Waiting; }) ||
      !guest.connection.JoinPublic(host.connection.tableId()) ||
      !WaitFor([&] { return host.connection.isConnected() && guest.connection.isConnected(); })) {
    bench.SkipWithError("no table through the broker");
    return;
  }
  host.connection.Send(Name{"HOSTE"});
  host.game.BInicioClick();
  guest.game.BInicioClick();
  auto run_until = [&](const std::function<bool()>& done, bool& host_called, bool& guest_called) {
    while (!done()) {
      if (host.Act(host_called) || guest.Act(guest_called)) continue;
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
  };
  bool unused_h = true;
  bool unused_g = true;
  // The first hand dealt and seen by both.
  run_until([&] { return host.hand.actor() != ' ' && guest.hand.actor() == host.hand.actor(); },
            unused_h, unused_g);
  std::int64_t hands = 0;
  std::int64_t called = 0;
  for (auto _ : bench) {
    const int dealt = host.hand.hands_dealt();
    bool host_called = false;
    bool guest_called = false;
    const auto start = std::chrono::steady_clock::now();
    // Until the next hand is dealt and both sides show it, with the same points.
    run_until(
        [&] {
          return host.hand.hands_dealt() > dealt && host.hand.actor() != ' ' &&
                 guest.hand.actor() == host.hand.actor() &&
                 guest.hand.points(Side::Host) == host.hand.points(Side::Host) &&
                 guest.hand.points(Side::Guest) == host.hand.points(Side::Guest);
        },
        host_called, guest_called);
    const auto end = std::chrono::steady_clock::now();
    bench.SetIterationTime(std::chrono::duration<double>(end - start).count());
    // A hand of eleven has no call; every other hand has one.
    if (host_called || guest_called) ++called;
    ++hands;
  }
  bench.counters["games"] = host.hand.games(Side::Host) + host.hand.games(Side::Guest);
  bench.counters["hands"] = static_cast<double>(hands);
  bench.counters["called"] = static_cast<double>(called);
}
BENCHMARK(WholeHand)
    ->Arg(kWholeGameVersion)
    ->Arg(kJointDealVersion)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco::net

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
