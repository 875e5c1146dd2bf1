// A whole networked hand through a local Mosquitto, as two players play it: the same hand as
// bench_net_hand (deal, a call and its answer, the tricks, the points, the next deal), each
// message sealed end to end and carried by the broker. The benchmark starts its own Mosquitto on
// a free loopback port with the shipped ACL, and stops it at the end. Both protocol versions:
// version 2 (the host deals) shows the path, version 3 the path and the joint deal.
// BridgedHand plays the version-2 hand with the host on one Mosquitto and the guest on another
// bridged to it (resources/broker/bridge.conf), right after the same hand through one broker, and
// reports the bridge's cost as the ratio of the two (`vs_one_broker`). Argument 0: the bridge as
// Mosquitto makes it (Nagle's algorithm on its own connection); 1: with TCP_NODELAY on it
// (tools/nodelay_preload.c, as tools/broker.sh --pair does).
#include "bench/hand_players.h"
#include "net/link/broker_link.h"
#include "tests/net/mosquitto_runner.h"

namespace truco::net {
namespace {

bool WaitFor(const std::function<bool()>& done) {
  return testing::RunEventsUntil(done, 5000);
}

// Seconds per hand of the last version-2 run through one broker, for the bridged run's ratio.
double one_broker_hand_s = 0;

// Seats host and guest at a public table, the host on `host_at` and the guest on `guest_at`.
bool Seat(BrokerLink& host_link, BrokerLink& guest_link, quint16 host_at, quint16 guest_at) {
  host_link.SetBroker({"127.0.0.1", host_at, false});
  guest_link.SetBroker({"127.0.0.1", guest_at, false});
  LobbyEntry entry;
  entry.host_name = "HOSTE";
  if (!host_link.HostPublic(entry) ||
      !WaitFor([&] { return host_link.state() == BrokerLink::State::Waiting; })) {
    return false;
  }
  // Across a bridge the entry may take a moment to arrive: the guest asks again.
  return testing::RunEventsUntil(
      [&] {
        if (guest_link.state() == BrokerLink::State::Idle) guest_link.JoinPublic(host_link.tableId());
        return host_link.isConnected() && guest_link.isConnected();
      },
      15000);
}

void BridgedHand(benchmark::State& bench) {
  BrokerLink host_link;
  BrokerLink guest_link;
  HandPlayer host(Side::Host, host_link);
  HandPlayer guest(Side::Guest, guest_link);
  host.hand.set_max_version(kWholeGameVersion);
  guest.hand.set_max_version(kWholeGameVersion);
  host.hand.Prepare(Side::Host, "HOSTE");
  guest.hand.Prepare(Side::Guest, "ANA");
  testing::MosquittoRunner far({false, true, true, 0});
  testing::MosquittoRunner near(
      {false, true, false, far.port(),
       bench.range(0) == 1 ? QStringLiteral(TRUCO_NODELAY_PRELOAD) : QString()});
  if (!far.ok() || !near.ok()) {
    bench.SkipWithError("no mosquitto");
    return;
  }
  if (!Seat(host_link, guest_link, near.port(), far.port())) {
    bench.SkipWithError("no table across the bridge");
    return;
  }
  host_link.Send(Name{"HOSTE"});
  const auto start = std::chrono::steady_clock::now();
  PlayWholeHands(bench, host, guest);
  if (one_broker_hand_s > 0 && bench.iterations() > 0) {
    // Both timed the same way (the whole run over its hands), so the ratio is like for like.
    const double bridged_hand_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
        double(bench.iterations());
    bench.counters["vs_one_broker"] = bridged_hand_s / one_broker_hand_s;
  }
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
  if (!Seat(host_link, guest_link, broker.port(), broker.port())) {
    bench.SkipWithError("no table through the broker");
    return;
  }
  host_link.Send(Name{"HOSTE"});
  const auto start = std::chrono::steady_clock::now();
  PlayWholeHands(bench, host, guest);
  if (version == kWholeGameVersion && bench.iterations() > 0) {
    one_broker_hand_s =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
        double(bench.iterations());
  }
}
BENCHMARK(WholeHand)
    ->Arg(kWholeGameVersion)
    ->Arg(kJointDealVersion)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BridgedHand)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco::net

TRUCO_QT_BENCHMARK_MAIN()
