#pragma once
// The computer's judgement: which card it plays and how it bets. It plays by fixed thresholds on
// the strengths of its own three cards (slot 0 weakest), the results of the tricks so far and the
// player's points; it draws no random numbers and never looks at the player's hand.

#include "engine/judgement.h"

namespace truco {

class ComputerJudgement final : public Judgement {
 public:
  AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const override;
  LeadChoice ChooseLead(const GameState& state) const override;
  bool WantsLeadCall(const GameState& state) const override;
  bool WantsThirdTrickCall(const GameState& state, int player_strength,
                           int own_strength) const override;
  CallReply AnswerCall(const GameState& state, Rung rung) const override;
  bool PlaysHandOfEleven(const GameState& state) const override;
};

}  // namespace truco
