#pragma once
// The running record of a hand that every proof's challenge is drawn from (Fiat–Shamir over
// BLAKE2b). The caller appends what binds the hand (protocol version, the players' names, the
// hand's number) and then every message as it is sent or received; a proof works on a copy of
// it, so its challenges depend on everything said before it and cannot be replayed into another
// hand. Every item goes in framed (a tag, the label's and the data's lengths), so no two
// different sequences of items hash alike.

#include <sodium.h>

#include <cstdint>
#include <span>
#include <string_view>

#include "net/proof/group.h"

namespace truco::proof {

class Transcript {
 public:
  // `domain` names the protocol and its version, e.g. "truco-zanforte/v4".
  explicit Transcript(std::string_view domain);

  void Append(std::string_view label, std::span<const std::uint8_t> data);
  void Append(std::string_view label, std::string_view text);
  void Append(std::string_view label, std::uint64_t number);
  void Append(std::string_view label, const Point& point);
  void Append(std::string_view label, std::span<const Point> points);
  void Append(std::string_view label, const Scalar& scalar);

  // A uniform scalar from everything appended so far and `label`; it is appended in turn, so
  // the next challenge differs.
  Scalar Challenge(std::string_view label);

 private:
  void Frame(std::uint8_t tag, std::string_view label, std::uint64_t size);
  void Raw(std::span<const std::uint8_t> data);

  crypto_generichash_state state_{};
};

}  // namespace truco::proof
