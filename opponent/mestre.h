#pragma once
// "Mestre": "Forte"'s play of the cards with a learned model of the other side's bets. Where
// "Forte" assumes one fixed habit (the other side calls with a 3 or a manilha, accepts with two
// fair cards), "Mestre" weighs each deal of the unseen cards by how often players holding such a
// hand were seen to call, accept or raise at that moment (a table learned from play, see
// tools/mestre_train), so it calls when the other side's running would pay and runs from calls
// that are seldom a bluff. After a call has been accepted it plays its cards knowing what the bets
// said of the other hand.
//
// Like "Forte" it decides only from its seat's view, and its random numbers are seeded from the
// view, so the same position always gets the same decision.

#include <cstdint>

#include "engine/judgement.h"
#include "opponent/forte.h"
#include "opponent/mestre_data.h"
#include "opponent/seat_view.h"

namespace truco {

// What "Mestre" would do now in a seat, with its estimate of the chance of winning the hand.
struct Advice {
  enum class Kind : std::uint8_t { Card, Call, Accept, Raise, Run, None };
  Kind kind = Kind::None;
  int slot = -1;             // for Card: the slot of the view's own cards
  double hand_chance = 0.5;  // 0..1
};

// Whether `rung`, called on this seat, raises this seat's own call (else the other side called
// it in its turn).
bool RaisedInAnswer(const SeatView& view, Rung rung);

class MestreJudgement final : public Judgement {
 public:
  MestreJudgement(const MestreModel& model, std::uint64_t seed = 0, int samples = 160)
      : model_(model), forte_(seed, samples), seed_(seed), samples_(samples) {}

  AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const override;
  LeadChoice ChooseLead(const GameState& state) const override;
  bool WantsLeadCall(const GameState& state) const override;
  bool WantsThirdTrickCall(const GameState& state, int player_strength,
                           int own_strength) const override;
  CallReply AnswerCall(const GameState& state, Rung rung) const override;
  bool PlaysHandOfEleven(const GameState& state) const override;

  // The same decisions straight from a view.
  [[nodiscard]] int BestCard(const SeatView& view) const;
  [[nodiscard]] bool WantsCall(const SeatView& view) const;
  [[nodiscard]] CallAnswer Answer(const SeatView& view, Rung rung) const;
  [[nodiscard]] bool PlaysEleven(const SeatView& view) const { return forte_.PlaysEleven(view); }

  // The move for a seat whose view is `view`: the answer to `pending` when a call waits on it,
  // else a call when it pays and the seat may call, else the card to play (the view's
  // `we_lead_trick` or the other side's card in the current trick says whether it leads).
  [[nodiscard]] Advice Advise(const SeatView& view, std::optional<Rung> pending) const;
  // The chance of winning the hand with both sides playing on as the sampling plays them.
  [[nodiscard]] double HandChance(const SeatView& view, int slot) const;

 private:
  const MestreModel& model_;
  ForteJudgement forte_;
  std::uint64_t seed_;
  int samples_;
};

}  // namespace truco
