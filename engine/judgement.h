#pragma once
// The seam between the rules and the computer's judgement. The rules ask; the judgement only
// looks at the state and answers, it never changes anything.

#include <string>

#include "engine/ladder.h"
#include "engine/state.h"

namespace truco {

// The computer's card for a trick the player led, and the trick's result text.
struct AnswerChoice {
  int slot = 0;
  std::string result;
};

// The computer's lead: which slot, and whether it considers calling first.
struct LeadChoice {
  int slot = 0;
  bool consider_call = false;
};

enum class CallAnswer : std::uint8_t { Accept, Raise, Run };

struct CallReply {
  CallAnswer answer = CallAnswer::Accept;
  std::string message;  // shown for Accept and Run
};

class Judgement {
 public:
  virtual ~Judgement() = default;
  // First or second trick: the answer to the player's card of strength `player_strength`.
  virtual AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const = 0;
  virtual LeadChoice ChooseLead(const GameState& state) const = 0;
  // Whether to call before leading (only asked when the lead choice considers a call).
  virtual bool WantsLeadCall(const GameState& state) const = 0;
  // Whether to call before playing its last card into the third trick.
  virtual bool WantsThirdTrickCall(const GameState& state, int player_strength,
                                   int own_strength) const = 0;
  // The answer to the player's call of `rung`.
  virtual CallReply AnswerCall(const GameState& state, Rung rung) const = 0;
  // Whether the computer, at 11 points, plays the hand.
  virtual bool PlaysHandOfEleven(const GameState& state) const = 0;
};

// The result text of a trick the player led, once the computer answers with `own_strength`: the
// stronger card takes it; equal cards tie, and a tie in the second trick goes to whoever took the
// first. For judgements other than the classic computer, whose own rules name its results.
inline std::string AnswerResult(const GameState& state, int player_strength, int own_strength) {
  if (own_strength > player_strength) return kMicro;
  if (own_strength < player_strength) return kJogador;
  const bool second = state.trick_played[1] && !state.trick_played[2];
  return second ? state.trick_result[1] : std::string(kEmpate);
}

// Whether a lead may be preceded by a call: the classic computer's habit, never in the first
// trick (its condition asks for a trick already won). The game lets any judgement call before
// any lead; the players that keep this habit ask here.
inline bool MayCallBeforeLead(const GameState& state) {
  return state.trick_played[1];
}

// Hands every question to the judgement chosen now, so the game (which keeps one judgement for
// its whole life) can change its opponent between hands.
class ForwardingJudgement final : public Judgement {
 public:
  explicit ForwardingJudgement(const Judgement& target) : target_(&target) {}
  void set_target(const Judgement& target) { target_ = &target; }
  [[nodiscard]] const Judgement& target() const { return *target_; }

  AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const override {
    return target_->ChooseAnswer(state, player_strength);
  }
  LeadChoice ChooseLead(const GameState& state) const override {
    return target_->ChooseLead(state);
  }
  bool WantsLeadCall(const GameState& state) const override {
    return target_->WantsLeadCall(state);
  }
  bool WantsThirdTrickCall(const GameState& state, int player_strength,
                           int own_strength) const override {
    return target_->WantsThirdTrickCall(state, player_strength, own_strength);
  }
  CallReply AnswerCall(const GameState& state, Rung rung) const override {
    return target_->AnswerCall(state, rung);
  }
  bool PlaysHandOfEleven(const GameState& state) const override {
    return target_->PlaysHandOfEleven(state);
  }

 private:
  const Judgement* target_;
};

}  // namespace truco
