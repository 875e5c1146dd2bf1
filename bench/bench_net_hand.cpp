// A whole networked hand over loopback, as two players play it, in version 2 (the host deals) and
// in version 3 (the deck dealt jointly, every hand's secrets revealed and checked): the deal, the
// side that leads calls truco and the other accepts, three tricks (or two when they decide it), the
// points on both sides, the last box closed and the next hand dealt. Both sides' networked hands
// and real connections on 127.0.0.1.
#include <QTcpServer>

#include "bench/hand_players.h"
#include "net/link/connection.h"

namespace truco::net {
namespace {

quint16 FreePort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
    if (ParsePort(std::to_string(probe.serverPort()))) return probe.serverPort();
  }
  return 0;
}

// Argument: the protocol version both sides speak (2: the host deals; 3: the joint deal).
void WholeHand(benchmark::State& bench) {
  Connection host_link;
  Connection guest_link;
  HandPlayer host(Side::Host, host_link);
  HandPlayer guest(Side::Guest, guest_link);
  const auto version = static_cast<int>(bench.range(0));
  host.hand.set_max_version(version);
  guest.hand.set_max_version(version);
  host.hand.Prepare(Side::Host, "HOSTE");
  guest.hand.Prepare(Side::Guest, "ANA");
  host_link.SetGreeting({Name{"HOSTE"}});
  const QString port = QString::number(FreePort());
  if (!host_link.Listen(port, QHostAddress::LocalHost) ||
      !guest_link.ConnectTo(QStringLiteral("127.0.0.1"), port)) {
    bench.SkipWithError("no loopback connection");
    return;
  }
  PlayWholeHands(bench, host, guest);
}
BENCHMARK(WholeHand)
    ->Arg(kWholeGameVersion)
    ->Arg(kJointDealVersion)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco::net

TRUCO_QT_BENCHMARK_MAIN()
