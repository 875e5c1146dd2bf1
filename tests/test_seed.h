#pragma once
// The seed of a random test: TRUCO_TEST_SEED when it is set, so that a failed run replays, and a
// fresh one otherwise. Printed either way, with what it seeds.

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <random>

namespace truco::testing {

inline std::uint64_t TestSeed(const char* what) {
  std::uint64_t seed = 0;
  if (const char* text = std::getenv("TRUCO_TEST_SEED")) {
    seed = std::strtoull(text, nullptr, 10);
  } else {
    seed = std::random_device{}();
  }
  std::cout << what << ": TRUCO_TEST_SEED=" << seed << "\n";
  return seed;
}

}  // namespace truco::testing
