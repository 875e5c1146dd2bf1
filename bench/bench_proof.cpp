// The deal's proofs: a 40-card shuffle proven and checked, a Chaum–Pedersen proof made and
// checked, and whole hands among two and four parties (keys, every shuffle, three cards each and
// the vira opened, every card announced, each party checking every other's messages), each
// beside the scalar multiplications they are made of. Times are this thread's CPU.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <deque>

#include "net/fair/proven_deal.h"
#include "net/proof/deal.h"

namespace truco::proof {
namespace {

constexpr std::size_t kDeck = 40;

Transcript Hand(std::uint64_t number) {
  Transcript t("truco-zanforte/v4");
  t.Append("host", std::string_view("ANA"));
  t.Append("guest", std::string_view("HOSTE"));
  t.Append("hand", number);
  return t;
}

// This thread's CPU time in seconds.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// One variable-base scalar multiplication's CPU time, measured now: the unit every figure is
// also given in, so that a busy machine does not hide what a proof costs.
double MultiplicationSeconds() {
  constexpr int kRounds = 300;
  const Scalar s = RandomScalar();
  Point p = DeckPoints("bench", 1)[0];
  const double start = CpuSeconds();
  for (int i = 0; i < kRounds; ++i) p = Mul(s, p);
  benchmark::DoNotOptimize(p);
  return (CpuSeconds() - start) / kRounds;
}

// Runs `body` once per iteration and reports its CPU time per iteration (divided by `share`)
// in milliseconds and in scalar multiplications.
template <typename Body>
void Measure(benchmark::State& bench, double share, Body body) {
  double seconds = 0;
  for (auto _ : bench) {
    const double start = CpuSeconds();
    if (!body()) {
      bench.SkipWithError("a proof did not verify");
      return;
    }
    seconds += CpuSeconds() - start;
  }
  const double each = seconds / static_cast<double>(bench.iterations()) / share;
  bench.counters["ms"] = each * 1e3;
  bench.counters["mults"] = each / MultiplicationSeconds();
}

void ScalarMultiplication(benchmark::State& bench) {
  const Scalar s = RandomScalar();
  Point p = DeckPoints("bench", 1)[0];
  for (auto _ : bench) {
    p = Mul(s, p);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(ScalarMultiplication)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BaseMultiplication(benchmark::State& bench) {
  Scalar s = RandomScalar();
  for (auto _ : bench) {
    Point p = MulBase(s);
    benchmark::DoNotOptimize(p);
    s.bytes[0] ^= p.bytes[1];
    s.bytes[31] &= 0x0f;
  }
}
BENCHMARK(BaseMultiplication)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// An addition decodes two points and encodes one; a check decodes one.
void PointAddition(benchmark::State& bench) {
  Point p = DeckPoints("bench", 1)[0];
  const Point q = MulBase(RandomScalar());
  for (auto _ : bench) {
    p = Add(p, q);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(PointAddition)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void PointCheck(benchmark::State& bench) {
  const Point p = DeckPoints("bench", 1)[0];
  for (auto _ : bench) benchmark::DoNotOptimize(ValidPoint(p));
}
BENCHMARK(PointCheck)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

struct Shuffled {
  std::vector<Point> input = DeckPoints("bench", kDeck);
  Scalar secret = RandomScalar();
  Point key = MulBase(secret);
  std::vector<std::uint32_t> permutation = RandomPermutation(kDeck);
  std::vector<Point> output = ApplyShuffle(input, secret, permutation);
};

void ShuffleProve(benchmark::State& bench) {
  const Shuffled s;
  Measure(bench, 1, [&] {
    benchmark::DoNotOptimize(
        ProveShuffle(Hand(1), s.input, s.output, s.key, s.secret, s.permutation));
    return true;
  });
}
BENCHMARK(ShuffleProve)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void ShuffleVerify(benchmark::State& bench) {
  const Shuffled s;
  const ShuffleProof proof =
      ProveShuffle(Hand(1), s.input, s.output, s.key, s.secret, s.permutation);
  Measure(bench, 1, [&] { return VerifyShuffle(Hand(1), s.input, s.output, s.key, proof); });
  bench.counters["proof_bytes"] = static_cast<double>(ShuffleProofBytes(kDeck));
}
BENCHMARK(ShuffleVerify)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// One side of a two-party hand's shuffles: its own list made and proven, the other's checked.
void ShuffleProveAndVerify(benchmark::State& bench) {
  const Shuffled mine;
  const Shuffled theirs;
  const ShuffleProof their_proof = ProveShuffle(Hand(1), theirs.input, theirs.output, theirs.key,
                                                theirs.secret, theirs.permutation);
  Measure(bench, 1, [&] {
    const auto output = ApplyShuffle(mine.input, mine.secret, mine.permutation);
    benchmark::DoNotOptimize(
        ProveShuffle(Hand(1), mine.input, output, mine.key, mine.secret, mine.permutation));
    return VerifyShuffle(Hand(1), theirs.input, theirs.output, theirs.key, their_proof);
  });
}
BENCHMARK(ShuffleProveAndVerify)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

struct Opened {
  Scalar secret = RandomScalar();
  Point card = DeckPoints("bench", 1)[0];
  DleqStatement statement{BasePoint(), MulBase(secret), card, Mul(secret, card)};
};

void ChaumPedersenProve(benchmark::State& bench) {
  const Opened o;
  Measure(bench, 1, [&] {
    benchmark::DoNotOptimize(ProveDleq(Hand(1), o.statement, o.secret));
    return true;
  });
}
BENCHMARK(ChaumPedersenProve)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void ChaumPedersenVerify(benchmark::State& bench) {
  const Opened o;
  const DleqProof proof = ProveDleq(Hand(1), o.statement, o.secret);
  Measure(bench, 1, [&] { return VerifyDleq(Hand(1), o.statement, proof); });
}
BENCHMARK(ChaumPedersenVerify)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// A whole hand among `parties` in one thread; ms and mults are a party's share (the parties do
// the same work, each checking the others).
void WholeHand(benchmark::State& bench) {
  const auto parties = static_cast<std::size_t>(bench.range(0));
  std::uint64_t number = 0;
  Measure(bench, static_cast<double>(parties), [&] {
    MemoryDeal deal(parties, kDeck, Hand(++number));
    bool ok = deal.Deal();
    for (std::size_t p = 0; p < parties && ok; ++p) {
      for (std::size_t slot = 0; slot < 3 && ok; ++slot) {
        ok = deal.Open(3 * p + slot, p).has_value();
      }
    }
    ok = ok && deal.Open(3 * parties, std::nullopt).has_value();
    for (std::size_t p = 0; p < parties && ok; ++p) {
      for (std::size_t slot = 0; slot < 3 && ok; ++slot) ok = deal.Announce(3 * p + slot, p);
    }
    return ok;
  });
}
BENCHMARK(WholeHand)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// A whole hand through the game's sessions (net/fair/proven_deal.h), each line encoded, handed
// over and decoded: keys, shuffles, every party's three cards and the vira opened, three cards
// announced by each. Each side's CPU is counted apart; ms and mults are the busiest side's,
// ms_mean the mean side's; saved_kb is a side's saved state at the end of the hand.
struct SessionHand {
  std::vector<net::ProvenDeal> sides;
  std::vector<double> seconds;
  std::size_t saved_bytes = 0;

  bool Play(std::size_t parties, std::uint64_t number) {
    net::ProvenHand hand{kBaralhoSujo, true, {}, number};
    for (std::size_t p = 0; p < parties; ++p) hand.names.push_back("P" + std::to_string(p));
    sides.clear();
    seconds.assign(parties, 0);
    std::deque<std::pair<std::size_t, std::string>> queue;
    auto timed = [&](std::size_t p, auto call) {
      const double start = CpuSeconds();
      auto out = call();
      seconds[p] += CpuSeconds() - start;
      return out;
    };
    for (std::size_t p = 0; p < parties; ++p) sides.emplace_back(parties, p);
    for (std::size_t p = 0; p < parties; ++p) {
      for (auto& line : timed(p, [&] { return sides[p].NewHand(hand); }))
        queue.emplace_back(p, line);
    }
    auto deliver = [&] {
      while (!queue.empty()) {
        const auto [from, line] = queue.front();
        queue.pop_front();
        for (std::size_t p = 0; p < parties; ++p) {
          if (p == from) continue;
          const net::ProvenStep step = timed(p, [&] { return sides[p].Take(line, from); });
          if (step.fault != net::DealFault::None) return false;
          for (const auto& l : step.send) queue.emplace_back(p, l);
        }
      }
      return true;
    };
    if (!deliver()) return false;
    for (int slot = 1; slot <= 3; ++slot) {
      for (std::size_t p = 0; p < parties; ++p) {
        if (!sides[p].HandOpen()) return false;
        const auto line = timed(p, [&] { return sides[p].Announce(slot); });
        if (!line) return false;
        queue.emplace_back(p, *line);
        if (!deliver()) return false;
      }
    }
    saved_bytes = sides[0].Saved().size();
    return true;
  }
};

void SessionWholeHand(benchmark::State& bench) {
  const auto parties = static_cast<std::size_t>(bench.range(0));
  std::uint64_t number = 0;
  std::vector<double> total(parties, 0);
  SessionHand hand;
  for (auto _ : bench) {
    if (!hand.Play(parties, ++number)) {
      bench.SkipWithError("a session refused an honest line");
      return;
    }
    for (std::size_t p = 0; p < parties; ++p) total[p] += hand.seconds[p];
  }
  const double runs = static_cast<double>(bench.iterations());
  const double busiest = *std::max_element(total.begin(), total.end()) / runs;
  double mean = 0;
  for (double t : total) mean += t / runs / static_cast<double>(parties);
  bench.counters["ms"] = busiest * 1e3;
  bench.counters["ms_mean"] = mean * 1e3;
  bench.counters["mults"] = busiest / MultiplicationSeconds();
  bench.counters["saved_kb"] = static_cast<double>(hand.saved_bytes) / 1024.0;
}
BENCHMARK(SessionWholeHand)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// A side taken back from its saved state at the end of a two-party hand: every line checked again.
void SessionRestore(benchmark::State& bench) {
  SessionHand hand;
  if (!hand.Play(2, 1)) {
    bench.SkipWithError("a session refused an honest line");
    return;
  }
  const auto bytes = hand.sides[1].Saved();
  Measure(bench, 1, [&] { return net::ProvenDeal::Restore(bytes).has_value(); });
}
BENCHMARK(SessionRestore)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace truco::proof

BENCHMARK_MAIN();
