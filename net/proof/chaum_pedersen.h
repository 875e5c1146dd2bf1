#pragma once
// Chaum–Pedersen proof that two pairs share one discrete logarithm: h1 = x·g1 and h2 = x·g2,
// without saying x. With g1 the base point and h1 a party's key for the hand, it shows that a
// point the party sent (a layer removed from a card, a card announced) was made with the secret
// behind that key. Non-interactive: the challenge comes from the hand's transcript.

#include <optional>
#include <span>

#include "net/proof/group.h"
#include "net/proof/transcript.h"

namespace truco::proof {

struct DleqProof {
  Scalar challenge;
  Scalar response;

  [[nodiscard]] Bytes Serialize() const;
  // Nothing unless exactly two canonical scalars.
  static std::optional<DleqProof> Parse(std::span<const std::uint8_t> bytes);
};
inline constexpr std::size_t kDleqProofBytes = 2 * kElementBytes;

// The statement: h1 = x·g1 and h2 = x·g2.
struct DleqStatement {
  Point g1;
  Point h1;
  Point g2;
  Point h2;
};

// `transcript` is the hand's record up to this proof (taken by value: the caller appends the
// message that carries the proof afterwards).
DleqProof ProveDleq(Transcript transcript, const DleqStatement& statement, const Scalar& secret);
// False for any point of the statement that is no group element or is the identity.
bool VerifyDleq(Transcript transcript, const DleqStatement& statement, const DleqProof& proof);

}  // namespace truco::proof
