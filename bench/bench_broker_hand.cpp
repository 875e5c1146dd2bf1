// A whole networked hand through a local Mosquitto, as two players play it: the same hand as
// bench_net_hand (deal, a call and its answer, the tricks, the points, the next deal), each
// message sealed end to end and carried by the broker. The benchmark starts its own Mosquitto on
// a free loopback port with the shipped ACL, and stops it at the end. Both protocol versions:
// version 2 (the host deals) shows the path, version 3 the path and the joint deal.
#include "bench/hand_players.h"
#include "net/broker_link.h"
#include "tests/net/mosquitto_runner.h"

namespace truco::net {
namespace {

bool WaitFor(const std::function<bool()>& done) {
  return testing::RunEventsUntil(done, 5000);
}

// Argument: the protocol version both sides speak. Version 2 measures what the broker path adds
// to a hand; version 3 adds the joint deal's multiplications, the same on any path.
void WholeHand(benchmark::State& bench) {
  BrokerLink host_link;
  BrokerLink guest_link;
  HandPlayer host(Side::Host, host_link);
  HandPlayer guest(Side::Guest, guest_link);
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
  host_link.SetBroker(address);
  guest_link.SetBroker(address);
  LobbyEntry entry;
  entry.host_name = "HOSTE";
  if (!host_link.HostPublic(entry) ||
      !WaitFor([&] { return host_link.state() == BrokerLink::State::Waiting; }) ||
      !guest_link.JoinPublic(host_link.tableId()) ||
      !WaitFor([&] { return host_link.isConnected() && guest_link.isConnected(); })) {
    bench.SkipWithError("no table through the broker");
    return;
  }
  host_link.Send(Name{"HOSTE"});
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
