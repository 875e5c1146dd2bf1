#include "engine/random.h"

#include <chrono>

namespace truco {
namespace {

std::uint64_t SplitMix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

ClockRandom::ClockRandom() { Reseed(); }

void ClockRandom::Reseed() {
  // Two deals within one clock tick must still differ, so the reseed count is mixed in.
  const auto now = static_cast<std::uint64_t>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  Seed(now ^ (++reseeds_ * 0xD1B54A32D192ED03ull));
}

void ClockRandom::Seed(std::uint64_t seed) {
  for (auto& word : state_) word = SplitMix64(seed);
}

std::uint64_t ClockRandom::Next() {
  const std::uint64_t result = Rotl(state_[1] * 5, 7) * 9;
  const std::uint64_t t = state_[1] << 17;
  state_[2] ^= state_[0];
  state_[3] ^= state_[1];
  state_[1] ^= state_[2];
  state_[0] ^= state_[3];
  state_[2] ^= t;
  state_[3] = Rotl(state_[3], 45);
  return result;
}

int ClockRandom::Uniform(int bound) {
  if (bound <= 1) return 0;
  const auto range = static_cast<std::uint32_t>(bound);
  std::uint64_t m = (Next() >> 32) * range;
  auto low = static_cast<std::uint32_t>(m);
  if (low < range) {
    const std::uint32_t threshold = static_cast<std::uint32_t>(-range) % range;
    while (low < threshold) {
      m = (Next() >> 32) * range;
      low = static_cast<std::uint32_t>(m);
    }
  }
  return static_cast<int>(m >> 32);
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
