#pragma once
// Chance that replays from one number, for tests whose game reseeds at every deal.

#include <cstdint>
#include <random>

#include "engine/random.h"

namespace truco::testing {

// Each reseed takes the next number of a sequence started by the seed instead of the clock, so the
// same seed deals the same cards and TRUCO_TEST_SEED replays a failed run.
class SeededDeals final : public RandomSource {
 public:
  explicit SeededDeals(std::uint64_t seed) : seeds_(seed) { Reseed(); }
  void Reseed() override { inner_.Seed(seeds_()); }
  int Uniform(int bound) override { return inner_.Uniform(bound); }

 private:
  std::mt19937_64 seeds_;
  ClockRandom inner_;
};

}  // namespace truco::testing
