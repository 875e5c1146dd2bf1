#include "engine/random.h"

#include <chrono>

namespace truco {

ClockRandom::ClockRandom() { Reseed(); }

void ClockRandom::Reseed() {
  // Two deals within one clock tick must still differ, so the reseed count is mixed in.
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  std::seed_seq seq{static_cast<std::uint32_t>(now), static_cast<std::uint32_t>(now >> 32),
                    static_cast<std::uint32_t>(++reseeds_)};
  generator_.seed(seq);
}

int ClockRandom::Uniform(int bound) {
  if (bound <= 1) return 0;
  std::uniform_int_distribution<int> dist(0, bound - 1);
  return dist(generator_);
}

int StackedRandom::Uniform(int bound) {
  if (bound <= 1) return 0;
  if (stack_.empty()) {
    std::uniform_int_distribution<int> dist(0, bound - 1);
    return dist(fallback_);
  }
  const int n = stack_.front();
  stack_.pop_front();
  return ((n % bound) + bound) % bound;
}

}  // namespace truco
