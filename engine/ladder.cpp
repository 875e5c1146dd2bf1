#include "engine/ladder.h"

#include <array>

namespace truco {
namespace {

constexpr std::array<RungInfo, 4> kLadder{{
    {"Trucar", 3, 1, kPhraseTruco, "6", "Seis"},
    {"Seis", 6, 3, kPhraseSeis, "9", "Nove"},
    {"Nove", 9, 6, kPhraseNove, "12", "Doze"},
    {"Doze", 12, 9, kPhraseDoze, "", "Doze"},
}};

}  // namespace

const RungInfo& Info(Rung rung) { return kLadder[static_cast<std::size_t>(rung)]; }

std::optional<Rung> RungFromCaption(std::string_view caption) {
  for (std::size_t i = 0; i < kLadder.size(); ++i) {
    if (kLadder[i].caption == caption) return static_cast<Rung>(i);
  }
  return std::nullopt;
}

std::optional<Rung> NextRung(Rung rung) {
  if (rung == Rung::Doze) return std::nullopt;
  return static_cast<Rung>(static_cast<int>(rung) + 1);
}

Rung RungOfStake(int stake) {
  for (std::size_t i = 0; i < kLadder.size(); ++i) {
    if (kLadder[i].stake == stake) return static_cast<Rung>(i);
  }
  return Rung::Trucar;
}

}  // namespace truco
