// The deal's proofs: a 40-card shuffle proven and checked, a Chaum–Pedersen proof made and
// checked, and whole hands among two and four parties (keys, every shuffle, three cards each and
// the vira opened, every card announced, each party checking every other's messages), each
// beside the scalar multiplications they are made of. Times are this thread's CPU.
#include <benchmark/benchmark.h>

#include <ctime>

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

}  // namespace
}  // namespace truco::proof

BENCHMARK_MAIN();
