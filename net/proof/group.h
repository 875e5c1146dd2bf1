#pragma once
// The group the proofs live in: libsodium's ristretto255 and its scalars, wrapped so that every
// operation goes through libsodium and every value read from outside is checked on the way in.
// Plain C++, no Qt.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace truco::proof {

inline constexpr std::size_t kElementBytes = 32;
using Bytes = std::vector<std::uint8_t>;

// A group element in its canonical 32-byte encoding. The identity (all zeros) may turn up inside
// a computation; a point read from a peer is never the identity.
struct Point {
  std::array<std::uint8_t, kElementBytes> bytes{};
  friend bool operator==(const Point&, const Point&) = default;
  friend auto operator<=>(const Point&, const Point&) = default;
};

// A scalar modulo the group order, always reduced.
struct Scalar {
  std::array<std::uint8_t, kElementBytes> bytes{};
  friend bool operator==(const Scalar&, const Scalar&) = default;
};

// libsodium ready, once per process (aborts when it has no safe randomness).
void EnsureSodium();

// Points.
Point BasePoint();
// A point nobody knows the logarithm of: the group element hashed from `label`.
Point HashToPoint(std::string_view label);
Point HashToPoint(std::span<const std::uint8_t> data);
bool IsIdentity(const Point& p);
// A canonical encoding of a group element other than the identity.
bool ValidPoint(const Point& p);
std::optional<Point> PointFromBytes(std::span<const std::uint8_t> bytes);
Point Add(const Point& a, const Point& b);
Point Sub(const Point& a, const Point& b);
// s·P and s·B (B the base point); the identity when the product is.
Point Mul(const Scalar& s, const Point& p);
Point MulBase(const Scalar& s);
// a·P + b·Q, the shape of most checks.
Point MulAdd(const Scalar& a, const Point& p, const Scalar& b, const Point& q);

// Scalars.
Scalar ScalarOf(std::uint64_t n);
Scalar RandomScalar();  // uniform, never zero
Scalar ReduceWide(std::span<const std::uint8_t, 64> wide);
bool IsZero(const Scalar& s);
bool CanonicalScalar(std::span<const std::uint8_t> bytes);  // 32 bytes, below the group order
std::optional<Scalar> ScalarFromBytes(std::span<const std::uint8_t> bytes);
Scalar operator+(const Scalar& a, const Scalar& b);
Scalar operator-(const Scalar& a, const Scalar& b);
Scalar operator*(const Scalar& a, const Scalar& b);
Scalar Negate(const Scalar& s);
Scalar Invert(const Scalar& s);  // s non-zero

// Reading and writing fields of 32 bytes.
void Append(Bytes& out, const Point& p);
void Append(Bytes& out, const Scalar& s);

// Reads fixed-size fields in order and fails on the first one that is not canonical.
class FieldReader {
 public:
  explicit FieldReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::optional<Point> ReadPoint();
  std::optional<Scalar> ReadScalar();
  [[nodiscard]] bool AtEnd() const { return at_ == bytes_.size(); }

 private:
  std::optional<std::span<const std::uint8_t>> Take();
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace truco::proof
