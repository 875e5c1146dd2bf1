#pragma once
// Chance enters the game through this one door: production reseeds from the clock at every
// deal, tests stack exactly the numbers a scenario needs.

#include <cstdint>
#include <deque>
#include <random>

namespace truco {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A fresh seed: at every deal and whenever a card control is created.
  virtual void Reseed() = 0;
  // A uniform integer in 0 .. bound - 1 (bound > 0).
  virtual int Uniform(int bound) = 0;
};

// xoshiro256** seeded from the steady clock through splitmix64: cheap enough to reseed at every
// deal, and bounded draws are unbiased (Lemire's multiply-and-reject).
class ClockRandom final : public RandomSource {
 public:
  ClockRandom();
  void Reseed() override;
  int Uniform(int bound) override;
  // Seeds from a number instead of the clock (replays, benchmarks).
  void Seed(std::uint64_t seed);

 private:
  std::uint64_t Next();
  std::uint64_t state_[4] = {};
  std::uint64_t reseeds_ = 0;
};

// Hands out the stacked numbers in order (each taken modulo the bound asked for); when the
// stack runs dry it falls back to a fixed-seed generator so a scenario never hangs.
class StackedRandom final : public RandomSource {
 public:
  void Push(int number) { stack_.push_back(number); }
  void Reseed() override {}
  int Uniform(int bound) override;
  [[nodiscard]] std::size_t Remaining() const { return stack_.size(); }
  void Clear() { stack_.clear(); }

 private:
  std::deque<int> stack_;
  std::mt19937 fallback_{12345u};
};

}  // namespace truco
