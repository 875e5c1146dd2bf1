#pragma once
// Everything a networked hand is made of, in one value: both hands by seat, what each seat put on
// the table and how, who led and who took each trick, the stake, a call waiting and its caller,
// the hand of eleven and whose turn it is: the picture a side shows, sends to a returning guest
// and keeps in the resume file. The rules and the score are the table replica's
// (table_replica.h); the picture follows each move it takes. The host's copy shows everything the
// host was dealt; the guest's only what the guest was told (the host's cards appear one by one as
// they are played). A value with no pointers, so it can be copied aside when a connection drops
// and written to a file.

#include <array>
#include <cstdint>
#include <optional>

#include "engine/cards.h"
#include "engine/state.h"

namespace truco::net {

// Seats by index: the host first.
inline constexpr std::size_t kHostSeat = 0;
inline constexpr std::size_t kGuestSeat = 1;

// Who took a trick, from the point of view of the side that keeps the state.
enum class Outcome : std::uint8_t { None, Own, Opponent, Tie };

struct HandState {
  // The settings the hand is played with; they outlive Clear().
  char deck = kBaralhoLimpo;
  ManilhaMode mode = ManilhaMode::Nova;
  ManilhaValues manilhas{};
  int eleven_mode = 0;

  // Each seat's three cards (empty while unknown to this side).
  std::array<std::array<std::optional<Card>, 3>, 2> cards{};
  std::optional<Card> vira;
  bool vira_dealt = false;
  // Per seat, the slot (0..2) it played into trick 1..3, -1 while not played; whether face down.
  std::array<std::array<int, 4>, 2> slot{{{-1, -1, -1, -1}, {-1, -1, -1, -1}}};
  std::array<std::array<bool, 4>, 2> hidden{};
  std::array<char, 4> leader{};  // 'S' or 'C', per trick
  std::array<Outcome, 4> outcome{};

  char turn = ' ';  // 'S', 'C' or ' ' (a trick waits for its result, a hand for its deal)
  int stake = 1;
  int pending_stake = 0;  // the call that waits for an answer, 0 when none
  char caller = ' ';
  char turn_before_call = ' ';
  char raise_right = ' ';  // who accepted the last call: only that side calls the next rung
  char eleven = ' ';       // ' ' none, 'S' / 'C' that side is at 11, 'B' both
  bool eleven_decided = false;
  bool eleven_dark = false;

  // A fresh hand with the same settings.
  void Clear() {
    HandState fresh;
    fresh.deck = deck;
    fresh.mode = mode;
    fresh.manilhas = manilhas;
    fresh.eleven_mode = eleven_mode;
    *this = fresh;
  }
  friend bool operator==(const HandState&, const HandState&) = default;
};

}  // namespace truco::net
