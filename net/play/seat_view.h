#pragma once
// What one seat of a networked game may see of the cards, decided in one place: its own cards
// face up (face down in a hand of eleven played blind, or while not dealt yet), the other's
// cards as backs until played, face up when played face up and a back when played face down,
// the vira face up only with "Manilha Nova" once dealt. The networked table draws every card
// control from this after every message, so nothing of an earlier hand stays on show.

#include <array>
#include <optional>

#include "engine/cards.h"
#include "engine/state.h"
#include "net/play/hand_state.h"
#include "net/wire/protocol.h"

namespace truco::net {

// One card control: where it lies and the face it shows (none: a back).
struct ShownCard {
  std::optional<Card> face;
  int top = 0;
  int left = 0;
  friend bool operator==(const ShownCard&, const ShownCard&) = default;
};

// Indexed by CardId: the seat's own three (kCartaJ1..), the other's three (kCartaM1..), the vira.
using NetSeatView = std::array<ShownCard, kNumTableCards>;

struct SeatViewRules {
  // The seat's own hand is played blind (hand of eleven at 11 to 11 "No Escuro").
  bool dark = false;
  // A card played blind turns up on the table (whole game); the classic hand leaves its face.
  bool blind_turns_up = true;
};

// The seat `seat`'s view of `table`. `table` may be the host's whole truth: what the seat may not
// see is left out here, never by the caller.
NetSeatView SeatViewOf(const HandState& table, Side seat, SeatViewRules rules = {});

}  // namespace truco::net
