#pragma once
// Truco in pairs ("duplas"): the table of four seats under the names the pairs game uses.
// South (the player), east, north (the partner) and west, counter-clockwise; team 0 ("NÓS") is
// south and north, team 1 ("ELES") east and west. Every rule lives in the table itself.

#include "engine/table.h"
#include "engine/table_observation.h"

namespace truco::duplas {

using table::Action;
using table::DealtCards;
using table::Due;
using table::kHandSize;
using table::kNoSeat;
using table::kNumTeams;
using table::OtherTeam;
using table::Phase;
using table::PlayedCard;
using table::PointsReason;
using table::Sign;
using table::TeamOf;
using table::Trick;
using table::TrickTaker;
using table::Verdict;

inline constexpr int kNumSeats = table::kMaxSeats;
enum Seat : std::uint8_t { kSouth = 0, kEast = 1, kNorth = 2, kWest = 3 };

constexpr int PartnerOf(int seat) {
  return table::PartnerOf(seat, kNumSeats);
}
constexpr int NextSeat(int seat) {
  return table::NextSeat(seat, kNumSeats);
}

using DuplasSettings = table::TableSettings;
using DuplasState = table::TableState;
using DuplasObserver = table::TableObserver;

class DuplasGame : public table::Table {
 public:
  explicit DuplasGame(RandomSource& random, DuplasSettings settings = {})
      : Table(random, kNumSeats, settings) {}
};

}  // namespace truco::duplas
