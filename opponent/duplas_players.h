#pragma once
// The computer seats of a game in pairs. Every decision is made from the seat's view alone.
//
// `DuplasRules` plays to its team by fixed rules: it does not overtake a partner who is taking
// the trick, it lets a partner whose sign beats the table take it, it keeps its manilhas for the
// tricks its partner loses, and it calls and answers by its cards, the tricks won and the
// partner's sign. `DuplasForte` deals the unseen cards many times in ways that agree with the
// view (the partner's sign included), plays the rest of the hand out with the rules above, and
// takes the choice that wins most; its random numbers are seeded from the view, so the same
// position always gets the same decision.

#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "engine/duplas.h"
#include "opponent/duplas_view.h"

namespace truco::duplas {

struct CardChoice {
  int slot = 0;
  bool hidden = false;
};

class DuplasPlayer {
 public:
  virtual ~DuplasPlayer() = default;
  virtual CardChoice ChooseCard(const DuplasView& view) = 0;
  // Asked only when the view may call.
  virtual bool WantsCall(const DuplasView& view) = 0;
  // The answer to the other team's call of `view.call_rung`.
  virtual CallAnswer Answer(const DuplasView& view) = 0;
  // The team is at 11: play the hand?
  virtual bool PlaysEleven(const DuplasView& view) = 0;
  // The sign shown to the partner a moment after the deal: the truth about the best card.
  virtual Sign ChooseSign(const DuplasView& view);
};

class DuplasRules final : public DuplasPlayer {
 public:
  CardChoice ChooseCard(const DuplasView& view) override;
  bool WantsCall(const DuplasView& view) override;
  CallAnswer Answer(const DuplasView& view) override;
  bool PlaysEleven(const DuplasView& view) override;
};

// Any legal move, by chance (the arena's yardstick).
class DuplasRandom final : public DuplasPlayer {
 public:
  explicit DuplasRandom(std::uint64_t seed) : rng_(seed) {}
  CardChoice ChooseCard(const DuplasView& view) override;
  bool WantsCall(const DuplasView& view) override;
  CallAnswer Answer(const DuplasView& view) override;
  bool PlaysEleven(const DuplasView& view) override;

 private:
  std::mt19937_64 rng_;
};

class DuplasForte final : public DuplasPlayer {
 public:
  explicit DuplasForte(std::uint64_t seed = 0, int samples = 96) : seed_(seed), samples_(samples) {}
  CardChoice ChooseCard(const DuplasView& view) override;
  bool WantsCall(const DuplasView& view) override;
  CallAnswer Answer(const DuplasView& view) override;
  bool PlaysEleven(const DuplasView& view) override;
  // The chance that this seat's team takes the hand from here, every seat playing the rules.
  [[nodiscard]] double HandChance(const DuplasView& view, int first_slot = -1) const;

 private:
  std::uint64_t seed_;
  int samples_;
};

// "random", "rules", "forte"; null for another name.
std::unique_ptr<DuplasPlayer> MakeDuplasPlayer(const std::string& name, std::uint64_t seed);

// Runs the one due step that belongs to a computer seat (`players[seat]` non-null): the answer
// of a team or its hand of eleven go to the seat after the caller, or to the team's first seat.
// False when nothing is due for a computer (a deal, or a person's move).
bool StepComputer(DuplasGame& game, const std::array<DuplasPlayer*, kNumSeats>& players);

// The seat that decides for `team` now (the answer to a call, the hand of eleven).
int DecidingSeat(const DuplasState& state, int team);

}  // namespace truco::duplas
