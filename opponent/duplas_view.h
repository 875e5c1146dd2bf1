#pragma once
// What one of the four seats may see is the table's own observation; computer seats and the
// table window read only that. The sign a seat shows is the computer's judgement of its cards.

#include "engine/duplas.h"
#include "engine/table_observation.h"

namespace truco::duplas {

using DuplasView = table::Observation;

inline DuplasView ViewOf(const DuplasState& state, int seat) {
  return table::ObservationOf(state, seat);
}

// The sign for the best of these cards (manilha suit, or "nothing good").
Sign SignOfStrength(int best_strength);

}  // namespace truco::duplas
