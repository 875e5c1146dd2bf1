#include "net/proof/shuffle.h"

#include <sodium.h>

#include <cstdlib>
#include <numeric>

namespace truco::proof {
namespace {

// The second Pedersen generator: hashed, so nobody knows its logarithm to the base point.
const Point& PedersenH() {
  static const Point h = HashToPoint(std::string_view("truco-zanforte/proof/pedersen-h"));
  return h;
}

// a·B + r·H.
Point Commit(const Scalar& a, const Scalar& r) {
  return Add(MulBase(a), Mul(r, PedersenH()));
}

void BindStatement(Transcript& t, std::span<const Point> input, std::span<const Point> output,
                   const Point& key) {
  t.Append("proof", std::string_view("shuffle"));
  t.Append("n", static_cast<std::uint64_t>(input.size()));
  t.Append("input", input);
  t.Append("output", output);
  t.Append("key", key);
}

// What both sides derive from the challenges x, y, z: the powers x^j, the factors
// g_j = y·j + x^j - z for j = 1..n and their product.
struct Targets {
  std::vector<Scalar> powers;   // x^1 .. x^n
  std::vector<Scalar> factors;  // g_1 .. g_n
  Scalar product;
};

Targets MakeTargets(std::size_t n, const Scalar& x, const Scalar& y, const Scalar& z) {
  Targets out;
  out.powers.reserve(n);
  out.factors.reserve(n);
  Scalar power = x;
  out.product = ScalarOf(1);
  for (std::size_t j = 0; j < n; ++j) {
    out.powers.push_back(power);
    out.factors.push_back(y * ScalarOf(j + 1) + power - z);
    out.product = out.product * out.factors.back();
    power = power * x;
  }
  return out;
}

// Σ weights[j]·points[j].
Point WeightedSum(std::span<const Scalar> weights, std::span<const Point> points) {
  Point sum = Mul(weights[0], points[0]);
  for (std::size_t j = 1; j < points.size(); ++j) sum = Add(sum, Mul(weights[j], points[j]));
  return sum;
}

// The commitments of the last round, hashed into the final challenge.
Scalar FinalChallenge(Transcript& t, std::span<const Point> opening_nonces,
                      std::span<const Point> chain_nonces, const Point& relation_nonce,
                      const Point& key_nonce) {
  t.Append("opening-nonces", opening_nonces);
  t.Append("chain-nonces", chain_nonces);
  t.Append("relation-nonce", relation_nonce);
  t.Append("key-nonce", key_nonce);
  return t.Challenge("c");
}

bool AllValid(std::span<const Point> points) {
  for (const Point& p : points) {
    if (!ValidPoint(p)) return false;
  }
  return true;
}

}  // namespace

std::size_t ShuffleProofBytes(std::size_t n) {
  return (6 * n - 1) * kElementBytes;
}

Bytes ShuffleProof::Serialize() const {
  Bytes out;
  out.reserve(ShuffleProofBytes(permutation_commitments.size()));
  for (const Point& p : permutation_commitments) Append(out, p);
  for (const Point& p : power_commitments) Append(out, p);
  for (const Point& p : chain) Append(out, p);
  Append(out, challenge);
  for (const Scalar& s : factor_responses) Append(out, s);
  for (const Scalar& s : blinding_responses) Append(out, s);
  for (const Scalar& s : chain_responses) Append(out, s);
  Append(out, key_response);
  return out;
}

std::optional<ShuffleProof> ShuffleProof::Parse(std::span<const std::uint8_t> bytes,
                                                std::size_t n) {
  if (n < kMinShuffle || bytes.size() != ShuffleProofBytes(n)) return std::nullopt;
  FieldReader in(bytes);
  ShuffleProof proof;
  auto points = [&in](std::vector<Point>& out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const auto p = in.ReadPoint();
      if (!p) return false;
      out.push_back(*p);
    }
    return true;
  };
  auto scalars = [&in](std::vector<Scalar>& out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
      const auto s = in.ReadScalar();
      if (!s) return false;
      out.push_back(*s);
    }
    return true;
  };
  if (!points(proof.permutation_commitments, n) || !points(proof.power_commitments, n) ||
      !points(proof.chain, n - 2)) {
    return std::nullopt;
  }
  const auto c = in.ReadScalar();
  if (!c) return std::nullopt;
  proof.challenge = *c;
  if (!scalars(proof.factor_responses, n) || !scalars(proof.blinding_responses, n) ||
      !scalars(proof.chain_responses, n - 1)) {
    return std::nullopt;
  }
  const auto k = in.ReadScalar();
  if (!k || !in.AtEnd()) return std::nullopt;
  proof.key_response = *k;
  return proof;
}

std::vector<std::uint32_t> RandomPermutation(std::size_t n) {
  EnsureSodium();
  std::vector<std::uint32_t> out(n);
  std::iota(out.begin(), out.end(), 0U);
  for (std::size_t i = n; i > 1; --i) {
    const std::size_t j = randombytes_uniform(static_cast<std::uint32_t>(i));
    std::swap(out[i - 1], out[j]);
  }
  return out;
}

std::vector<Point> ApplyShuffle(std::span<const Point> input, const Scalar& secret,
                                std::span<const std::uint32_t> permutation) {
  std::vector<Point> out;
  out.reserve(permutation.size());
  for (std::uint32_t from : permutation) out.push_back(Mul(secret, input[from]));
  return out;
}

ShuffleProof ProveShuffle(Transcript t, std::span<const Point> input, std::span<const Point> output,
                          const Point& key, const Scalar& secret,
                          std::span<const std::uint32_t> permutation) {
  const std::size_t n = input.size();
  if (n < kMinShuffle || output.size() != n || permutation.size() != n) std::abort();
  const Point& h = PedersenH();
  ShuffleProof proof;
  BindStatement(t, input, output, key);

  // Round 1: the permutation, as the numbers π(k) + 1.
  std::vector<Scalar> position(n);
  std::vector<Scalar> position_blind(n);
  for (std::size_t k = 0; k < n; ++k) {
    position[k] = ScalarOf(std::uint64_t{permutation[k]} + 1);
    position_blind[k] = RandomScalar();
    proof.permutation_commitments.push_back(Commit(position[k], position_blind[k]));
  }
  t.Append("permutation", proof.permutation_commitments);
  const Scalar x = t.Challenge("x");

  // Round 2: the powers of x in the permutation's order.
  const std::vector<Scalar> powers = MakeTargets(n, x, Scalar{}, Scalar{}).powers;
  std::vector<Scalar> power(n);
  std::vector<Scalar> power_blind(n);
  for (std::size_t k = 0; k < n; ++k) {
    power[k] = powers[permutation[k]];
    power_blind[k] = RandomScalar();
    proof.power_commitments.push_back(Commit(power[k], power_blind[k]));
  }
  t.Append("powers", proof.power_commitments);
  const Scalar y = t.Challenge("y");
  const Scalar z = t.Challenge("z");
  const Targets targets = MakeTargets(n, x, y, z);

  // Round 3: the factors f_k = y·(π(k)+1) + x^(π(k)+1) - z, committed in F_k = y·A_k + P_k - z·B,
  // and the running products d_k = f_0·…·f_k in D_k (D_0 = F_0, D_{n-1} = product·B).
  std::vector<Scalar> factor(n);
  std::vector<Scalar> factor_blind(n);
  for (std::size_t k = 0; k < n; ++k) {
    factor[k] = y * position[k] + power[k] - z;
    factor_blind[k] = y * position_blind[k] + power_blind[k];
  }
  std::vector<Point> running(n);
  std::vector<Scalar> running_blind(n);
  running[0] = Commit(factor[0], factor_blind[0]);
  running_blind[0] = factor_blind[0];
  Scalar d = factor[0];
  for (std::size_t k = 1; k + 1 < n; ++k) {
    d = d * factor[k];
    running_blind[k] = RandomScalar();
    running[k] = Commit(d, running_blind[k]);
    proof.chain.push_back(running[k]);
  }
  running[n - 1] = MulBase(targets.product);
  running_blind[n - 1] = Scalar{};
  // D_k = f_k·D_{k-1} + ρ_k·H.
  std::vector<Scalar> link(n);
  for (std::size_t k = 1; k < n; ++k) {
    link[k] = running_blind[k] - factor[k] * running_blind[k - 1];
  }
  t.Append("chain", proof.chain);

  // Round 4: one Σ-protocol for every opening, every link of the chain, Σ f_k·output[k] =
  // secret·E (E = Σ g_j·input[j-1]) and key = secret·B, under one challenge.
  std::vector<Scalar> alpha(n);
  std::vector<Scalar> tau(n);
  std::vector<Scalar> gamma(n);
  std::vector<Point> opening_nonces(n);
  std::vector<Point> chain_nonces;
  const Scalar xi = RandomScalar();
  // Σ α_k·output[k] - ξ·E, over the input: output[k] = secret·input[π(k)], so input[j] carries
  // secret·α_k (π(k) = j) - ξ·g_j; half the multiplications of the direct sum.
  std::vector<Scalar> relation_weights(n);
  for (std::size_t k = 0; k < n; ++k) {
    alpha[k] = RandomScalar();
    tau[k] = RandomScalar();
    opening_nonces[k] = Commit(alpha[k], tau[k]);
    const std::uint32_t j = permutation[k];
    relation_weights[j] = secret * alpha[k] - xi * targets.factors[j];
    if (k > 0) {
      gamma[k] = RandomScalar();
      chain_nonces.push_back(MulAdd(alpha[k], running[k - 1], gamma[k], h));
    }
  }
  const Point relation_nonce = WeightedSum(relation_weights, input);
  const Point key_nonce = MulBase(xi);
  const Scalar c = FinalChallenge(t, opening_nonces, chain_nonces, relation_nonce, key_nonce);

  proof.challenge = c;
  for (std::size_t k = 0; k < n; ++k) {
    proof.factor_responses.push_back(alpha[k] + c * factor[k]);
    proof.blinding_responses.push_back(tau[k] + c * factor_blind[k]);
    if (k > 0) proof.chain_responses.push_back(gamma[k] + c * link[k]);
  }
  proof.key_response = xi + c * secret;
  sodium_memzero(&d, sizeof d);
  return proof;
}

bool VerifyShuffle(Transcript t, std::span<const Point> input, std::span<const Point> output,
                   const Point& key, const ShuffleProof& proof) {
  const std::size_t n = input.size();
  if (n < kMinShuffle || output.size() != n || proof.permutation_commitments.size() != n ||
      proof.power_commitments.size() != n || proof.chain.size() != n - 2 ||
      proof.factor_responses.size() != n || proof.blinding_responses.size() != n ||
      proof.chain_responses.size() != n - 1) {
    return false;
  }
  if (!AllValid(input) || !AllValid(output) || !ValidPoint(key) ||
      !AllValid(proof.permutation_commitments) || !AllValid(proof.power_commitments) ||
      !AllValid(proof.chain)) {
    return false;
  }
  const Point& h = PedersenH();
  BindStatement(t, input, output, key);
  t.Append("permutation", proof.permutation_commitments);
  const Scalar x = t.Challenge("x");
  t.Append("powers", proof.power_commitments);
  const Scalar y = t.Challenge("y");
  const Scalar z = t.Challenge("z");
  const Targets targets = MakeTargets(n, x, y, z);
  t.Append("chain", proof.chain);

  const Scalar& c = proof.challenge;
  // F_k = y·A_k + P_k - z·B is needed whole only as the chain's start; elsewhere c·F_k is
  // spread over its terms, which saves an addition per element.
  const Scalar cy = c * y;
  const Scalar cz = c * z;
  std::vector<Point> running(n);
  running[0] =
      Sub(Add(Mul(y, proof.permutation_commitments[0]), proof.power_commitments[0]), MulBase(z));
  for (std::size_t k = 1; k + 1 < n; ++k) running[k] = proof.chain[k - 1];
  running[n - 1] = MulBase(targets.product);

  std::vector<Point> opening_nonces(n);
  std::vector<Point> chain_nonces;
  chain_nonces.reserve(n - 1);
  for (std::size_t k = 0; k < n; ++k) {
    const Scalar& zf = proof.factor_responses[k];
    // zf·B + zφ·H - c·F_k = (zf + c·z)·B + zφ·H - c·y·A_k - c·P_k.
    opening_nonces[k] = Sub(Sub(Add(MulBase(zf + cz), Mul(proof.blinding_responses[k], h)),
                                Mul(cy, proof.permutation_commitments[k])),
                            Mul(c, proof.power_commitments[k]));
    if (k > 0) {
      chain_nonces.push_back(
          Sub(MulAdd(zf, running[k - 1], proof.chain_responses[k - 1], h), Mul(c, running[k])));
    }
  }
  const Point relation_nonce = Sub(WeightedSum(proof.factor_responses, output),
                                   Mul(proof.key_response, WeightedSum(targets.factors, input)));
  const Point key_nonce = Sub(MulBase(proof.key_response), Mul(c, key));
  const Scalar expected =
      FinalChallenge(t, opening_nonces, chain_nonces, relation_nonce, key_nonce);
  return sodium_memcmp(expected.bytes.data(), c.bytes.data(), kElementBytes) == 0;
}

}  // namespace truco::proof
