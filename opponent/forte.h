#pragma once
// "Forte": a stronger computer behind the same judgement as the classic one. Every decision
// starts from the seat's view (own cards, the turned card, the cards shown, the tricks, the calls
// and the points; never the other hand), deals the unseen cards to the other side many times in
// ways that agree with what has been shown, plays the rest of the hand out for each choice, and
// picks the choice that wins most. Bets compare the chance of winning the game after each answer,
// with a simple model of when the other side accepts or calls.
//
// Its own random numbers are seeded from the view, so the same position always gets the same
// decision and a whole run replays from its seed.

#include <cstdint>

#include "engine/judgement.h"
#include "opponent/seat_view.h"

namespace truco {

class ForteJudgement final : public Judgement {
 public:
  // `samples`: deals of the unseen cards tried per decision.
  explicit ForteJudgement(std::uint64_t seed = 0, int samples = 160)
      : seed_(seed), samples_(samples) {}

  AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const override;
  LeadChoice ChooseLead(const GameState& state) const override;
  bool WantsLeadCall(const GameState& state) const override;
  bool WantsThirdTrickCall(const GameState& state, int player_strength,
                           int own_strength) const override;
  CallReply AnswerCall(const GameState& state, Rung rung) const override;
  bool PlaysHandOfEleven(const GameState& state) const override;

  // The same decisions, straight from a view (the judgement above builds one and comes here).
  [[nodiscard]] int BestCard(const SeatView& view) const;  // slot of the card to play now
  [[nodiscard]] bool WantsCall(const SeatView& view) const;
  [[nodiscard]] CallAnswer Answer(const SeatView& view, Rung rung) const;
  [[nodiscard]] bool PlaysEleven(const SeatView& view) const;

 private:
  std::uint64_t seed_;
  int samples_;
};

}  // namespace truco
