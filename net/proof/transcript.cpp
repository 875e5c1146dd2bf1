#include "net/proof/transcript.h"

#include <array>

namespace truco::proof {
namespace {

constexpr std::uint8_t kItemTag = 'A';
constexpr std::uint8_t kChallengeTag = 'C';
constexpr std::uint8_t kDomainTag = 'D';

std::array<std::uint8_t, 8> LittleEndian(std::uint64_t n) {
  std::array<std::uint8_t, 8> out{};
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(n >> (8 * i));
  return out;
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

Transcript::Transcript(std::string_view domain) {
  EnsureSodium();
  crypto_generichash_init(&state_, nullptr, 0, crypto_generichash_BYTES_MAX);
  Frame(kDomainTag, domain, 0);
}

void Transcript::Raw(std::span<const std::uint8_t> data) {
  crypto_generichash_update(&state_, data.data(), data.size());
}

void Transcript::Frame(std::uint8_t tag, std::string_view label, std::uint64_t size) {
  const std::array<std::uint8_t, 1> t{tag};
  Raw(t);
  Raw(LittleEndian(label.size()));
  Raw(AsBytes(label));
  Raw(LittleEndian(size));
}

void Transcript::Append(std::string_view label, std::span<const std::uint8_t> data) {
  Frame(kItemTag, label, data.size());
  Raw(data);
}

void Transcript::Append(std::string_view label, std::string_view text) {
  Append(label, AsBytes(text));
}

void Transcript::Append(std::string_view label, std::uint64_t number) {
  Append(label, std::span<const std::uint8_t>(LittleEndian(number)));
}

void Transcript::Append(std::string_view label, const Point& point) {
  Append(label, std::span<const std::uint8_t>(point.bytes));
}

void Transcript::Append(std::string_view label, std::span<const Point> points) {
  Frame(kItemTag, label, points.size() * kElementBytes);
  for (const Point& p : points) Raw(p.bytes);
}

void Transcript::Append(std::string_view label, const Scalar& scalar) {
  Append(label, std::span<const std::uint8_t>(scalar.bytes));
}

Scalar Transcript::Challenge(std::string_view label) {
  Frame(kChallengeTag, label, 0);
  crypto_generichash_state copy = state_;
  std::array<std::uint8_t, crypto_generichash_BYTES_MAX> wide{};
  crypto_generichash_final(&copy, wide.data(), wide.size());
  Raw(wide);  // the next challenge hangs on this one
  return ReduceWide(wide);
}

}  // namespace truco::proof
