// The whole deal exchange over loopback: from the host's name to the guest's turned card
// (names, deck type, the guest's three cards, the host's three, the vira), with both sides'
// networked hands and real connections on 127.0.0.1.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <chrono>

#include "bench/qt_main.h"
#include "bench/quiet_screen.h"
#include "engine/game.h"
#include "net/link/connection.h"
#include "net/play/networked_hand.h"
#include "opponent/computer.h"

namespace truco::net {
namespace {

struct Program final : HandOutput {
  bool Send(const Message& message) override { return connection.Send(message); }
  void SetMessagePanel(const std::string&) override {}
  void SetOpponentName(const std::string&) override {}
  void AppendChat(const std::string&) override {}
  void Tell(const std::string&) override {}

  Program() {
    game.set_networked_play(&hand);
    QObject::connect(&connection, &Connection::messageReceived,
                     [this](const Message& m) { hand.Receive(m); });
  }
  QuietScreen screen;
  ClockRandom random;
  ComputerJudgement judgement;
  Game game{screen, random, judgement};
  NetworkedHand hand{game, random, *this};
  Connection connection;
};

quint16 FreePort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
    if (ParsePort(std::to_string(probe.serverPort()))) return probe.serverPort();
  }
  return 0;
}

void WaitFor(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void DealExchange(benchmark::State& bench) {
  Program host;
  Program guest;
  const QString port = QString::number(FreePort());
  // The host counts its guest once the guest has named itself.
  QObject::connect(&guest.connection, &Connection::connected,
                   [&guest] { guest.connection.Send(Name{"ANA"}); });
  if (!host.connection.Listen(port, QHostAddress::LocalHost) ||
      !guest.connection.ConnectTo(QStringLiteral("127.0.0.1"), port)) {
    bench.SkipWithError("no loopback connection");
    return;
  }
  WaitFor([&] { return host.connection.isConnected() && guest.connection.isConnected(); });
  for (auto _ : bench) {
    // Both sides have started their hands; the clock runs from the host's name on.
    host.hand.Prepare(Side::Host, "HOSTE");
    guest.hand.Prepare(Side::Guest, "ANA");
    host.game.BInicioClick();
    guest.game.BInicioClick();
    const auto start = std::chrono::steady_clock::now();
    host.connection.Send(Name{"HOSTE"});
    WaitFor([&] { return guest.hand.DealComplete(); });
    const auto end = std::chrono::steady_clock::now();
    bench.SetIterationTime(std::chrono::duration<double>(end - start).count());
    // Let the host's last writes settle before the next round.
    QCoreApplication::processEvents();
  }
}
BENCHMARK(DealExchange)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco::net

TRUCO_QT_BENCHMARK_MAIN()
