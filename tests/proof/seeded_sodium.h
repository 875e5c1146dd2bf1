#pragma once
// libsodium's randomness from a stream of one seed, in test programs only, so a failed run
// replays exactly and a worked example comes out the same every time.

#include <sodium.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "net/proof/group.h"

namespace truco::proof {

struct SeededSodiumStream {
  std::uint64_t seed = 0;
  std::uint64_t counter = 0;
};

inline SeededSodiumStream& SodiumStream() {
  static SeededSodiumStream stream;
  return stream;
}

inline void SeededSodiumBuf(void* const buf, const std::size_t size) {
  SeededSodiumStream& s = SodiumStream();
  std::array<std::uint8_t, randombytes_SEEDBYTES> key{};
  for (std::size_t i = 0; i < 8; ++i) {
    key[i] = static_cast<std::uint8_t>(s.seed >> (8 * i));
    key[8 + i] = static_cast<std::uint8_t>(s.counter >> (8 * i));
  }
  ++s.counter;
  randombytes_buf_deterministic(buf, size, key.data());
}

inline std::uint32_t SeededSodiumRandom() {
  std::uint32_t out = 0;
  SeededSodiumBuf(&out, sizeof out);
  return out;
}

inline const char* SeededSodiumName() { return "seeded"; }

// From here on libsodium draws from `seed`'s stream. libsodium's own start draws a canary first,
// so it does not shift the stream.
inline void SeedSodium(std::uint64_t seed) {
  static randombytes_implementation seeded{SeededSodiumName, SeededSodiumRandom, nullptr, nullptr,
                                           SeededSodiumBuf,  nullptr};
  EnsureSodium();
  static const bool installed = randombytes_set_implementation(&seeded) == 0;
  (void)installed;
  SodiumStream() = {seed, 0};
}

}  // namespace truco::proof
