#pragma once
// A proof that a list is another list with every element raised to one secret exponent and
// reordered (output[k] = x·input[π(k)], with x the secret behind the key x·B), that says
// nothing of π. The prover commits to π, then to a challenge's powers in π's order, and shows
// with one product argument over Pedersen commitments that the pairs (π(k), x^π(k)) are the pairs
// (j, x^j) reordered, and with one linear relation that the output is the input under that
// order and the key. docs/proofs.md has the equations, the soundness error and the costs.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "net/proof/group.h"
#include "net/proof/transcript.h"

namespace truco::proof {

// The smallest list a shuffle proof covers.
inline constexpr std::size_t kMinShuffle = 2;

struct ShuffleProof {
  std::vector<Point> permutation_commitments;  // n: π(k) + 1 under Pedersen
  std::vector<Point> power_commitments;        // n: x^(π(k)+1) under Pedersen
  std::vector<Point> chain;                    // n - 2: the running products
  Scalar challenge;
  std::vector<Scalar> factor_responses;    // n
  std::vector<Scalar> blinding_responses;  // n
  std::vector<Scalar> chain_responses;     // n - 1
  Scalar key_response;

  [[nodiscard]] Bytes Serialize() const;
  // Nothing unless exactly the fields of a proof over `n` elements, every point a group element
  // other than the identity and every scalar canonical.
  static std::optional<ShuffleProof> Parse(std::span<const std::uint8_t> bytes, std::size_t n);
};
std::size_t ShuffleProofBytes(std::size_t n);

// A uniform permutation of 0 .. n - 1 from libsodium's randomness.
std::vector<std::uint32_t> RandomPermutation(std::size_t n);
// output[k] = secret·input[permutation[k]].
std::vector<Point> ApplyShuffle(std::span<const Point> input, const Scalar& secret,
                                std::span<const std::uint32_t> permutation);

// `transcript` is the hand's record up to the message that carries the proof; `key` = secret·B.
// The output must be ApplyShuffle(input, secret, permutation) for the proof to verify.
ShuffleProof ProveShuffle(Transcript transcript, std::span<const Point> input,
                          std::span<const Point> output, const Point& key, const Scalar& secret,
                          std::span<const std::uint32_t> permutation);
// False for lists of different lengths or shorter than kMinShuffle, a point that is no group
// element or the identity, or a proof of the wrong size.
bool VerifyShuffle(Transcript transcript, std::span<const Point> input,
                   std::span<const Point> output, const Point& key, const ShuffleProof& proof);

}  // namespace truco::proof
