#pragma once
// Small helpers shared by the files of the networked hand; not part of its interface.

#include <string>

#include "net/play/networked_hand.h"

namespace truco::net::detail {

inline constexpr int kFirstHostCard = 4;
inline constexpr int kViraCard = 7;
inline constexpr int kDealDone = 8;

inline std::size_t Index(int i) {
  return static_cast<std::size_t>(i);
}
inline CardId OwnCardId(int slot) {
  return static_cast<CardId>(kCartaJ1 + slot);
}
inline CardId OpponentCardId(int slot) {
  return static_cast<CardId>(kCartaM1 + slot);
}
inline Side SideOf(char letter) {
  return letter == 'S' ? Side::Host : Side::Guest;
}
inline char Other(char letter) {
  return letter == 'S' ? 'C' : 'S';
}
inline char LetterOf(Side side) {
  return side == Side::Host ? 'S' : 'C';
}
inline std::string Tentos(int amount) {
  return std::to_string(amount) + kTextTentos;
}

}  // namespace truco::net::detail
