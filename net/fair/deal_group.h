#pragma once
// The group arithmetic both halves of the joint deal share (the deal itself and its saved text):
// libsodium's ristretto255, with the checks a point or scalar from outside must pass.

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

#include "net/wire/protocol.h"

namespace truco::net::deal_group {

inline std::uint8_t* Data(DealBytes& b) {
  return b.data();
}

// A point other than the identity that decodes as a group element.
inline bool ValidPoint(const DealBytes& p) {
  return !sodium_is_zero(p.data(), p.size()) &&
         crypto_core_ristretto255_is_valid_point(p.data()) == 1;
}

// scalar * point, or nothing when the result is the identity (a point of small order).
inline std::optional<DealBytes> Mul(const DealBytes& scalar, const DealBytes& point) {
  DealBytes out{};
  if (crypto_scalarmult_ristretto255(Data(out), scalar.data(), point.data()) != 0) {
    return std::nullopt;
  }
  return out;
}

inline bool CanonicalScalar(const DealBytes& s) {
  std::array<std::uint8_t, crypto_core_ristretto255_NONREDUCEDSCALARBYTES> wide{};
  std::copy(s.begin(), s.end(), wide.begin());
  DealBytes reduced{};
  crypto_core_ristretto255_scalar_reduce(Data(reduced), wide.data());
  return reduced == s && !sodium_is_zero(s.data(), s.size());
}

}  // namespace truco::net::deal_group
