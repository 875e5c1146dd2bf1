// The joint deal's CPU per hand and per side on the 40-card deck: the lists, the openings, the
// three face-up plays announced and the check of everything when the secrets are revealed. Both
// sides run in one thread with no wire; each benchmark counts only the CPU time of its own side's
// calls (the thread's CPU clock, so a busy machine does not inflate it).
#include <benchmark/benchmark.h>
#include <sodium.h>

#include <ctime>
#include <functional>

#include "net/fair/joint_deal.h"

namespace truco::net {
namespace {

// This thread's CPU time in seconds.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void OneSide(benchmark::State& bench, Side timed) {
  DealEntropy host_entropy;
  DealEntropy guest_entropy;
  JointDeal host(Side::Host, host_entropy);
  JointDeal guest(Side::Guest, guest_entropy);
  double deal_seconds = 0;
  double check_seconds = 0;
  for (auto _ : bench) {
    double seconds = 0;
    // Runs `step` for `side`, counting its time when that side is the one measured.
    const auto run = [&](Side side, const std::function<void()>& step, double* phase) {
      const double start = CpuSeconds();
      step();
      if (side != timed) return;
      const double spent = CpuSeconds() - start;
      seconds += spent;
      *phase += spent;
    };
    DealList first;
    DealList final;
    std::vector<Unlock> from_host;
    std::vector<Unlock> from_guest;
    run(
        Side::Host,
        [&] {
          host.NewHand(kBaralhoSujo, true);
          first = host.HostList();
        },
        &deal_seconds);
    run(
        Side::Guest,
        [&] {
          guest.NewHand(kBaralhoSujo, true);
          guest.TakeList(first);
          final = guest.GuestList();
          from_guest = guest.Openings();
        },
        &deal_seconds);
    run(
        Side::Host,
        [&] {
          host.TakeList(final);
          from_host = host.Openings();
          for (const Unlock& u : from_guest) host.TakeOpening(u);
        },
        &deal_seconds);
    run(
        Side::Guest,
        [&] {
          for (const Unlock& u : from_host) guest.TakeOpening(u);
        },
        &deal_seconds);
    for (int slot = 1; slot <= 3; ++slot) {
      Announce a;
      run(
          Side::Host, [&] { a = host.AnnounceOwn(slot); }, &deal_seconds);
      run(
          Side::Guest, [&] { guest.TakeAnnounce(a); }, &deal_seconds);
      run(
          Side::Guest, [&] { a = guest.AnnounceOwn(slot); }, &deal_seconds);
      run(
          Side::Host, [&] { host.TakeAnnounce(a); }, &deal_seconds);
    }
    run(
        Side::Guest, [&] { guest.TakeReveal(host.Reveal()); }, &check_seconds);
    run(
        Side::Host, [&] { host.TakeReveal(guest.Reveal()); }, &check_seconds);
    if (!host.Verified() || !guest.Verified()) {
      bench.SkipWithError("a check failed");
      return;
    }
    bench.SetIterationTime(seconds);
  }
  const auto hands = static_cast<double>(bench.iterations());
  bench.counters["deal_us"] = deal_seconds / hands * 1e6;
  bench.counters["check_us"] = check_seconds / hands * 1e6;
}

// The side named is the one timed; the other's calls run around it untimed.
void HostSide(benchmark::State& bench) {
  OneSide(bench, Side::Host);
}
void GuestSide(benchmark::State& bench) {
  OneSide(bench, Side::Guest);
}
BENCHMARK(HostSide)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(GuestSide)->UseManualTime()->Unit(benchmark::kMillisecond);

// The group's costs that the deal is made of.
void ScalarMultiplication(benchmark::State& bench) {
  DealEntropy entropy;
  const DealBytes scalar = entropy.Scalar();
  DealBytes point = CardPoint(Card{kAce, Suit::Spades});
  for (auto _ : bench) {
    const int failed = crypto_scalarmult_ristretto255(point.data(), scalar.data(), point.data());
    benchmark::DoNotOptimize(failed);
    benchmark::DoNotOptimize(point);
  }
}
BENCHMARK(ScalarMultiplication)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace truco::net

BENCHMARK_MAIN();
