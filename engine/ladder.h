#pragma once
// The stake ladder. A rung is named by the caption "Trucar" shows while it is the next call.

#include <optional>
#include <string_view>

#include "engine/state.h"

namespace truco {

enum class Rung : std::uint8_t { Trucar, Seis, Nove, Doze };

struct RungInfo {
  std::string_view caption;      // caption of BTrucar while this rung is next
  int stake;                     // stake once accepted
  int run_value;                 // what the caller wins when the other side runs
  PhraseId phrase;               // phrase shown when the computer calls it
  std::string_view raise_stake;  // "6", "9", "12"; empty: no raise offered
  std::string_view after;        // caption once accepted
};

const RungInfo& Info(Rung rung);
std::optional<Rung> RungFromCaption(std::string_view caption);
// The rung after this one; Doze has none.
std::optional<Rung> NextRung(Rung rung);
// The rung whose accepted stake is `stake`; any other stake names the first call.
Rung RungOfStake(int stake);

inline constexpr int kTopStake = 12;

}  // namespace truco
