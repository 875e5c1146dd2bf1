#include "net/proof/chaum_pedersen.h"

#include <sodium.h>

namespace truco::proof {
namespace {

// k·g, through libsodium's faster path when g is the base point.
Point Times(const Scalar& k, const Point& g) {
  return g == BasePoint() ? MulBase(k) : Mul(k, g);
}

Scalar Challenge(Transcript& t, const DleqStatement& s, const Point& a1, const Point& a2) {
  t.Append("proof", std::string_view("chaum-pedersen"));
  t.Append("g1", s.g1);
  t.Append("h1", s.h1);
  t.Append("g2", s.g2);
  t.Append("h2", s.h2);
  t.Append("a1", a1);
  t.Append("a2", a2);
  return t.Challenge("c");
}

}  // namespace

Bytes DleqProof::Serialize() const {
  Bytes out;
  Append(out, challenge);
  Append(out, response);
  return out;
}

std::optional<DleqProof> DleqProof::Parse(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kDleqProofBytes) return std::nullopt;
  FieldReader in(bytes);
  const auto c = in.ReadScalar();
  const auto s = in.ReadScalar();
  if (!c || !s) return std::nullopt;
  return DleqProof{*c, *s};
}

DleqProof ProveDleq(Transcript transcript, const DleqStatement& statement, const Scalar& secret) {
  const Scalar k = RandomScalar();
  const Point a1 = Times(k, statement.g1);
  const Point a2 = Times(k, statement.g2);
  const Scalar c = Challenge(transcript, statement, a1, a2);
  return DleqProof{c, k + c * secret};
}

bool VerifyDleq(Transcript transcript, const DleqStatement& statement, const DleqProof& proof) {
  for (const Point* p : {&statement.g1, &statement.h1, &statement.g2, &statement.h2}) {
    if (!ValidPoint(*p)) return false;
  }
  // With s = k + c·x: k·g = s·g - c·h for both pairs.
  const Point a1 = Sub(Times(proof.response, statement.g1), Mul(proof.challenge, statement.h1));
  const Point a2 = Sub(Times(proof.response, statement.g2), Mul(proof.challenge, statement.h2));
  const Scalar c = Challenge(transcript, statement, a1, a2);
  return sodium_memcmp(c.bytes.data(), proof.challenge.bytes.data(), kElementBytes) == 0;
}

}  // namespace truco::proof
