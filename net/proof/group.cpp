#include "net/proof/group.h"

#include <sodium.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace truco::proof {

static_assert(crypto_core_ristretto255_BYTES == kElementBytes);
static_assert(crypto_core_ristretto255_SCALARBYTES == kElementBytes);
static_assert(crypto_core_ristretto255_HASHBYTES == 64);
static_assert(crypto_core_ristretto255_NONREDUCEDSCALARBYTES == 64);

void EnsureSodium() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (sodium_init() < 0) std::abort();  // no safe randomness: no secret may be drawn
  });
}

Point BasePoint() {
  static const Point base = [] {
    EnsureSodium();
    return MulBase(ScalarOf(1));
  }();
  return base;
}

Point HashToPoint(std::span<const std::uint8_t> data) {
  EnsureSodium();
  std::array<std::uint8_t, crypto_core_ristretto255_HASHBYTES> hash{};
  crypto_generichash(hash.data(), hash.size(), data.data(), data.size(), nullptr, 0);
  Point p;
  crypto_core_ristretto255_from_hash(p.bytes.data(), hash.data());
  return p;
}

Point HashToPoint(std::string_view label) {
  return HashToPoint(std::span(reinterpret_cast<const std::uint8_t*>(label.data()), label.size()));
}

bool IsIdentity(const Point& p) {
  return sodium_is_zero(p.bytes.data(), p.bytes.size()) == 1;
}

bool ValidPoint(const Point& p) {
  EnsureSodium();
  return !IsIdentity(p) && crypto_core_ristretto255_is_valid_point(p.bytes.data()) == 1;
}

std::optional<Point> PointFromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kElementBytes) return std::nullopt;
  Point p;
  std::copy(bytes.begin(), bytes.end(), p.bytes.begin());
  if (!ValidPoint(p)) return std::nullopt;
  return p;
}

Point Add(const Point& a, const Point& b) {
  Point out;
  if (crypto_core_ristretto255_add(out.bytes.data(), a.bytes.data(), b.bytes.data()) != 0) {
    std::abort();  // only checked points ever get here
  }
  return out;
}

Point Sub(const Point& a, const Point& b) {
  Point out;
  if (crypto_core_ristretto255_sub(out.bytes.data(), a.bytes.data(), b.bytes.data()) != 0) {
    std::abort();
  }
  return out;
}

// libsodium refuses a product that is the identity (and leaves zeros, its encoding): inside a
// computation that is a value like any other.
Point Mul(const Scalar& s, const Point& p) {
  Point out;
  if (crypto_scalarmult_ristretto255(out.bytes.data(), s.bytes.data(), p.bytes.data()) != 0) {
    out = Point{};
  }
  return out;
}

Point MulBase(const Scalar& s) {
  Point out;
  if (crypto_scalarmult_ristretto255_base(out.bytes.data(), s.bytes.data()) != 0) out = Point{};
  return out;
}

Point MulAdd(const Scalar& a, const Point& p, const Scalar& b, const Point& q) {
  return Add(Mul(a, p), Mul(b, q));
}

Scalar ScalarOf(std::uint64_t n) {
  std::array<std::uint8_t, 64> wide{};
  for (std::size_t i = 0; i < 8; ++i) wide[i] = static_cast<std::uint8_t>(n >> (8 * i));
  return ReduceWide(wide);
}

Scalar RandomScalar() {
  EnsureSodium();
  Scalar s;
  crypto_core_ristretto255_scalar_random(s.bytes.data());  // never zero
  return s;
}

Scalar ReduceWide(std::span<const std::uint8_t, 64> wide) {
  std::array<std::uint8_t, 64> copy{};
  std::copy(wide.begin(), wide.end(), copy.begin());
  Scalar s;
  crypto_core_ristretto255_scalar_reduce(s.bytes.data(), copy.data());
  return s;
}

bool IsZero(const Scalar& s) {
  return sodium_is_zero(s.bytes.data(), s.bytes.size()) == 1;
}

bool CanonicalScalar(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kElementBytes) return false;
  std::array<std::uint8_t, 64> wide{};
  std::copy(bytes.begin(), bytes.end(), wide.begin());
  const Scalar reduced = ReduceWide(wide);
  return std::equal(bytes.begin(), bytes.end(), reduced.bytes.begin());
}

std::optional<Scalar> ScalarFromBytes(std::span<const std::uint8_t> bytes) {
  if (!CanonicalScalar(bytes)) return std::nullopt;
  Scalar s;
  std::copy(bytes.begin(), bytes.end(), s.bytes.begin());
  return s;
}

Scalar operator+(const Scalar& a, const Scalar& b) {
  Scalar out;
  crypto_core_ristretto255_scalar_add(out.bytes.data(), a.bytes.data(), b.bytes.data());
  return out;
}

Scalar operator-(const Scalar& a, const Scalar& b) {
  Scalar out;
  crypto_core_ristretto255_scalar_sub(out.bytes.data(), a.bytes.data(), b.bytes.data());
  return out;
}

Scalar operator*(const Scalar& a, const Scalar& b) {
  Scalar out;
  crypto_core_ristretto255_scalar_mul(out.bytes.data(), a.bytes.data(), b.bytes.data());
  return out;
}

Scalar Negate(const Scalar& s) {
  Scalar out;
  crypto_core_ristretto255_scalar_negate(out.bytes.data(), s.bytes.data());
  return out;
}

Scalar Invert(const Scalar& s) {
  Scalar out;
  if (crypto_core_ristretto255_scalar_invert(out.bytes.data(), s.bytes.data()) != 0) std::abort();
  return out;
}

void Append(Bytes& out, const Point& p) {
  out.insert(out.end(), p.bytes.begin(), p.bytes.end());
}

void Append(Bytes& out, const Scalar& s) {
  out.insert(out.end(), s.bytes.begin(), s.bytes.end());
}

std::optional<std::span<const std::uint8_t>> FieldReader::Take() {
  if (bytes_.size() - at_ < kElementBytes) return std::nullopt;
  const auto field = bytes_.subspan(at_, kElementBytes);
  at_ += kElementBytes;
  return field;
}

std::optional<Point> FieldReader::ReadPoint() {
  const auto field = Take();
  if (!field) return std::nullopt;
  return PointFromBytes(*field);
}

std::optional<Scalar> FieldReader::ReadScalar() {
  const auto field = Take();
  if (!field) return std::nullopt;
  return ScalarFromBytes(*field);
}

}  // namespace truco::proof
